#include "render/piece_drawing.h"

#include "base/int32.h"
#include "board/board.h"
#include "render/surfaces.h"

namespace dz {

namespace {

// Area centre marks and the selection ring: a 2-pixel black outline, nothing filled.
constexpr Pen kOutlinePen{PenStyle::Solid, 2, kBlack};
constexpr Brush kHollowBrush{BrushKind::Hollow, 0};

void Ring(Canvas& surface, const Marker& piece, std::int32_t size) {
  const Point p = piece.GetPosition();
  surface.Ellipse(p.x, p.y, Add32(p.x, size), Add32(p.y, size));
}

}  // namespace

void DrawCharacter(Canvas& surface, const Character& c) {
  if (!c.IsActive()) return;
  const BackgroundMode previousMode = surface.SetBackgroundMode(BackgroundMode::Transparent);
  const Point p = c.GetPosition();
  const std::int32_t size = CharacterSize();
  surface.PushLabelFont();
  if (const Canvas* image = c.Image()) {
    // Only the shadow carries a picture; its name is centred in the whole box.
    BlendBitmap(surface, p.x, p.y, size, size, *image, 0, 0, c.Bitmap().bmWidth,
                c.Bitmap().bmHeight, c.Alpha(), kWhite);
    surface.TextInBox(p.x, p.y, Add32(p.x, size), Add32(p.y, size), c.GetName());
  } else {
    // The disc and its name share the box shortened by one pixel right and below.
    const std::int32_t right = Sub32(Add32(p.x, size), 1);
    const std::int32_t bottom = Sub32(Add32(p.y, size), 1);
    surface.PushBrush(Brush{BrushKind::Solid, c.GetColor()});
    surface.PushPen(Pen{PenStyle::Solid, 0, c.GetColor()});
    surface.Ellipse(p.x, p.y, right, bottom);
    surface.TextInBox(p.x, p.y, right, bottom, c.GetName());
    surface.PopBrush();
    surface.PopPen();
  }
  surface.SetBackgroundMode(previousMode);
  surface.PopFont();
}

void DrawArea(Canvas& surface, const Area& a) {
  const Canvas* image = a.Image();
  if (image == nullptr) return;
  const Point p = a.GetPosition();
  const std::int32_t size = AreaSize(a.GetRadius());
  BlendBitmap(surface, p.x, p.y, size, size, *image, 0, 0, a.Bitmap().bmWidth, a.Bitmap().bmHeight,
              a.Alpha(), kWhite);
  // The centre mark uses the pen and brush the caller has selected.
  const Point c = a.GetCenter();
  surface.Rectangle(Sub32(c.x, 2), Sub32(c.y, 2), Add32(c.x, 2), Add32(c.y, 2));
}

void DrawPieces(Canvas& surface) {
  surface.PushBrush(kHollowBrush);
  surface.PushPen(kOutlinePen);
  DrawCharacter(surface, shadow);
  // Melee characters lie under the translucent areas, the others on top of them.
  for (const Character& c : characters) {
    if (c.IsMelee() && c.IsActive()) DrawCharacter(surface, c);
  }
  for (const Area& a : areas) {
    if (a.IsActive()) DrawArea(surface, a);
  }
  for (const Character& c : characters) {
    if (!c.IsMelee() && c.IsActive()) DrawCharacter(surface, c);
  }
  // The ring goes round the box the piece is drawn in. (An index outside its pool is never
  // used to reach it.)
  if (selectedCharacter != -1) {
    if (const Character* c = SelectedCharacterPiece()) Ring(surface, *c, CharacterSize());
  } else if (const Area* a = SelectedAreaPiece()) {
    Ring(surface, *a, AreaSize(a->GetRadius()));
  }
  surface.PopBrush();
  surface.PopPen();
}

}  // namespace dz
