#include "render/piece_drawing.h"

#include "base/int32.h"
#include "board/board.h"
#include "render/surfaces.h"

namespace dz {

namespace {

// Area centre marks and the selection ring: a 2-pixel black outline, nothing filled.
constexpr Pen kOutlinePen{PenStyle::Solid, 2, kBlack};
constexpr Brush kHollowBrush{BrushKind::Hollow, 0};

void Ring(Canvas& surface, const Marker& piece) {
  const Point p = piece.GetPosition();
  surface.Ellipse(p.x, p.y, Add32(p.x, piece.GetWidth()), Add32(p.y, piece.GetHeight()));
}

}  // namespace

void Character::Draw(Canvas& surface) {
  if (!IsActive()) return;
  const BackgroundMode previousMode = surface.SetBackgroundMode(BackgroundMode::Transparent);
  width = gridSize;
  height = gridSize;
  surface.PushLabelFont();
  if (image) {
    // Only the shadow carries a picture; its name is centred in the whole box.
    BlendBitmap(surface, x, y, width, height, *image, 0, 0, bitmap.bmWidth, bitmap.bmHeight, alpha,
                kWhite);
    surface.TextInBox(x, y, Add32(x, width), Add32(y, height), name);
  } else {
    // The disc and its name share the box shortened by one pixel right and below.
    const std::int32_t right = Sub32(Add32(x, width), 1);
    const std::int32_t bottom = Sub32(Add32(y, height), 1);
    surface.PushBrush(Brush{BrushKind::Solid, color});
    surface.PushPen(Pen{PenStyle::Solid, 0, color});
    surface.Ellipse(x, y, right, bottom);
    surface.TextInBox(x, y, right, bottom, name);
    surface.PopBrush();
    surface.PopPen();
  }
  surface.SetBackgroundMode(previousMode);
  surface.PopFont();
}

void Area::Draw(Canvas& surface) {
  if (!image) return;
  width = Mul32(Mul32(radius, gridSize), 2);
  height = width;
  BlendBitmap(surface, x, y, width, height, *image, 0, 0, bitmap.bmWidth, bitmap.bmHeight, alpha,
              kWhite);
  // The centre mark uses the pen and brush the caller has selected.
  const Point c = GetCenter();
  surface.Rectangle(Sub32(c.x, 2), Sub32(c.y, 2), Add32(c.x, 2), Add32(c.y, 2));
}

void DrawPieces(Canvas& surface) {
  surface.PushBrush(kHollowBrush);
  surface.PushPen(kOutlinePen);
  shadow.Draw(surface);
  // Melee characters lie under the translucent areas, the others on top of them.
  for (Character& c : characters) {
    if (c.IsMelee() && c.IsActive()) c.Draw(surface);
  }
  for (Area& a : areas) {
    if (a.IsActive()) a.Draw(surface);
  }
  for (Character& c : characters) {
    if (!c.IsMelee() && c.IsActive()) c.Draw(surface);
  }
  // The ring uses the stored box, which the draws above have just refreshed.
  // (An index outside its pool is never used to reach it.)
  if (selectedCharacter != -1) {
    if (const Character* c = SelectedCharacterPiece()) Ring(surface, *c);
  } else if (const Area* a = SelectedAreaPiece()) {
    Ring(surface, *a);
  }
  surface.PopBrush();
  surface.PopPen();
}

}  // namespace dz
