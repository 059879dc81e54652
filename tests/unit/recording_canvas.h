// A canvas for the tests: it records every operation in order, with its coordinates and
// the pen, brush, background mode and font in effect, and keeps the selection stacks of a
// GDI memory surface, so a test can state which lines, boxes and labels were drawn where,
// in which order and with what, and that every pen, brush and font pushed was popped.
//
//   RecordingCanvas canvas;
//   DrawPieces(canvas);
//   EXPECT_EQ(canvas.Problems(), "");          // nothing left selected, no stray pop
//   EXPECT_EQ(canvas.Texts()[0].text, "5m");
//   EXPECT_THAT(canvas.Trace(), ElementsAre("MoveTo(16,16)", "LineTo(106,136)", ...));
#pragma once

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "base/canvas.h"
#include "board/ports.h"
#include "fake_ports.h"

namespace dz {

// Comparison and printing of pens and brushes, for the tests (found by argument lookup).
inline bool operator==(const Pen& a, const Pen& b) {
  return a.style == b.style && a.width == b.width && a.color == b.color;
}
inline bool operator!=(const Pen& a, const Pen& b) {
  return !(a == b);
}
// Hollow brushes are equal whatever colour they carry.
inline bool operator==(const Brush& a, const Brush& b) {
  return a.kind == b.kind && (a.kind == BrushKind::Hollow || a.color == b.color);
}
inline bool operator!=(const Brush& a, const Brush& b) {
  return !(a == b);
}

inline std::string DescribePen(const Pen& p) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s,%d,#%06X", p.style == PenStyle::Solid ? "solid" : "dashdotdot",
                static_cast<int>(p.width), static_cast<unsigned>(p.color));
  return buf;
}
inline std::string DescribeBrush(const Brush& b) {
  if (b.kind == BrushKind::Hollow) return "hollow";
  char buf[32];
  std::snprintf(buf, sizeof buf, "solid,#%06X", static_cast<unsigned>(b.color));
  return buf;
}
// Googletest prints these in failure messages.
inline void PrintTo(const Pen& p, std::ostream* os) {
  *os << DescribePen(p);
}
inline void PrintTo(const Brush& b, std::ostream* os) {
  *os << DescribeBrush(b);
}

}  // namespace dz

namespace dz::testing {

// A fresh GDI surface: 1-pixel black solid pen, white solid brush, opaque mode.
constexpr Pen kDefaultPen{PenStyle::Solid, 1, kBlack};
constexpr Brush kDefaultBrush{BrushKind::Solid, kWhite};

enum class OpKind : std::uint8_t {
  PushPen,
  PopPen,
  PushBrush,
  PopBrush,
  PushLabelFont,
  PopFont,
  SetBackgroundMode,
  Rectangle,
  Ellipse,
  MoveTo,
  LineTo,
  TextAt,
  TextInBox,
  CopyFrom,
  Blend,
};

class RecordingCanvas : public Canvas {
 public:
  struct Op {
    OpKind kind;
    // MoveTo, LineTo, TextAt: the point. Rectangle, Ellipse, TextInBox: left, top in x, y
    // and right, bottom. CopyFrom, Blend: the destination rectangle x, y, w, h.
    std::int32_t x = 0, y = 0;
    std::int32_t right = 0, bottom = 0;
    std::int32_t w = 0, h = 0;
    // LineTo: where the line starts (the current position before it).
    std::int32_t fromX = 0, fromY = 0;
    std::string text;  // TextAt, TextInBox
    // CopyFrom, Blend: the source (null for a null CopyFrom) and its rectangle.
    const Canvas* source = nullptr;
    std::int32_t sx = 0, sy = 0, sw = 0, sh = 0;
    std::int32_t opacity = 0;
    COLORREF transparent = 0;
    // The surface's state once the operation has run (for a push: what it selected; for a
    // pop: what it restored; for SetBackgroundMode: the new mode).
    Pen pen = kDefaultPen;
    Brush brush = kDefaultBrush;
    BackgroundMode mode = BackgroundMode::Opaque;
    int fontDepth = 0;  // label fonts selected
  };
  struct Line {
    Point from;
    Point to;
    Pen pen;
  };

  RecordingCanvas() = default;
  explicit RecordingCanvas(std::string n) : name(std::move(n)) {}

  std::string name;                   // shown as the source of copies and blends
  int blendResult = 1;                // what Blend answers
  std::vector<Op> ops;                // every operation, in order
  std::vector<std::string> problems;  // pops with nothing pushed

  // ---- Canvas ----
  void PushPen(const Pen& pen) override {
    pens_.push_back(pen);
    Record(OpKind::PushPen);
  }
  void PopPen() override {
    if (pens_.empty()) {
      problems.emplace_back("PopPen with no pen pushed");
    } else {
      pens_.pop_back();
    }
    Record(OpKind::PopPen);
  }
  void PushBrush(const Brush& brush) override {
    brushes_.push_back(brush);
    Record(OpKind::PushBrush);
  }
  void PopBrush() override {
    if (brushes_.empty()) {
      problems.emplace_back("PopBrush with no brush pushed");
    } else {
      brushes_.pop_back();
    }
    Record(OpKind::PopBrush);
  }
  void PushLabelFont() override {
    ++fontDepth_;
    Record(OpKind::PushLabelFont);
  }
  void PopFont() override {
    if (fontDepth_ == 0) {
      problems.emplace_back("PopFont with no font pushed");
    } else {
      --fontDepth_;
    }
    Record(OpKind::PopFont);
  }
  BackgroundMode SetBackgroundMode(BackgroundMode mode) override {
    BackgroundMode previous = mode_;
    mode_ = mode;
    Record(OpKind::SetBackgroundMode);
    return previous;
  }
  void Rectangle(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) override {
    Box(OpKind::Rectangle, l, t, r, b);
  }
  void Ellipse(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) override {
    Box(OpKind::Ellipse, l, t, r, b);
  }
  void MoveTo(std::int32_t x, std::int32_t y) override {
    Op& op = Record(OpKind::MoveTo);
    op.x = x;
    op.y = y;
    position_ = Point{x, y};
  }
  void LineTo(std::int32_t x, std::int32_t y) override {
    Op& op = Record(OpKind::LineTo);
    op.fromX = position_.x;
    op.fromY = position_.y;
    op.x = x;
    op.y = y;
    position_ = Point{x, y};
  }
  void TextAt(std::int32_t x, std::int32_t y, const char* text) override {
    Op& op = Record(OpKind::TextAt);
    op.x = x;
    op.y = y;
    op.text = text != nullptr ? text : "";
  }
  void TextInBox(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b,
                 const char* text) override {
    Op& op = Box(OpKind::TextInBox, l, t, r, b);
    op.text = text != nullptr ? text : "";
  }
  void CopyFrom(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, const Canvas* src,
                std::int32_t sx, std::int32_t sy) override {
    Op& op = Record(OpKind::CopyFrom);
    op.x = x;
    op.y = y;
    op.w = w;
    op.h = h;
    op.source = src;
    op.sx = sx;
    op.sy = sy;
  }
  int Blend(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, const Canvas& src,
            std::int32_t sx, std::int32_t sy, std::int32_t sw, std::int32_t sh,
            std::int32_t opacity, COLORREF transparent) override {
    Op& op = Record(OpKind::Blend);
    op.x = x;
    op.y = y;
    op.w = w;
    op.h = h;
    op.source = &src;
    op.sx = sx;
    op.sy = sy;
    op.sw = sw;
    op.sh = sh;
    op.opacity = opacity;
    op.transparent = transparent;
    return blendResult;
  }

  // ---- current state ----
  Pen CurrentPen() const { return pens_.empty() ? kDefaultPen : pens_.back(); }
  Brush CurrentBrush() const { return brushes_.empty() ? kDefaultBrush : brushes_.back(); }
  BackgroundMode Mode() const { return mode_; }
  int FontDepth() const { return fontDepth_; }
  std::size_t PensPushed() const { return pens_.size(); }
  std::size_t BrushesPushed() const { return brushes_.size(); }

  // Empty when every pen, brush and font pushed was popped, no pop came without a push
  // and the background mode is opaque again; otherwise says what is wrong.
  std::string Problems() const {
    std::string out;
    for (const std::string& p : problems) out += p + "; ";
    if (!pens_.empty()) out += std::to_string(pens_.size()) + " pen(s) left selected; ";
    if (!brushes_.empty()) out += std::to_string(brushes_.size()) + " brush(es) left selected; ";
    if (fontDepth_ != 0) out += std::to_string(fontDepth_) + " font(s) left selected; ";
    if (mode_ != BackgroundMode::Opaque) out += "background mode left transparent; ";
    return out;
  }

  // Forgets the recorded operations; the selection state stays.
  void ClearOps() { ops.clear(); }

  // ---- filters ----
  std::vector<Op> Of(OpKind kind) const {
    std::vector<Op> out;
    for (const Op& op : ops) {
      if (op.kind == kind) out.push_back(op);
    }
    return out;
  }
  std::size_t Count(OpKind kind) const { return Of(kind).size(); }
  // Every LineTo as a line from the current position, with the pen it was drawn with.
  std::vector<Line> Lines() const {
    std::vector<Line> out;
    for (const Op& op : ops) {
      if (op.kind == OpKind::LineTo) out.push_back({{op.fromX, op.fromY}, {op.x, op.y}, op.pen});
    }
    return out;
  }
  std::vector<Op> Texts() const { return Of(OpKind::TextAt); }
  // The drawing operations only (no selection changes), one short text each, in order:
  // "MoveTo(1,2)", "LineTo(3,4)", "Rectangle(0,0,600,600)", "Ellipse(...)",
  // "TextAt(56,71,5m)", "TextInBox(1,1,30,30,A)", "CopyFrom(0,0,800,620,<name>,0,0)",
  // "Blend(x,y,w,h,<name>,sx,sy,sw,sh,alpha,#transparent)".
  std::vector<std::string> Trace() const {
    std::vector<std::string> out;
    for (const Op& op : ops) {
      std::string s = Describe(op);
      if (!s.empty()) out.push_back(s);
    }
    return out;
  }
  // Every operation, selection changes included ("PushPen(solid,2,#000000)", "PopPen",
  // "PushBrush(hollow)", "PushLabelFont", "SetBackgroundMode(transparent)", ...).
  std::vector<std::string> FullTrace() const {
    std::vector<std::string> out;
    for (const Op& op : ops) out.push_back(DescribeAll(op));
    return out;
  }

  // The name a source goes by in traces: a RecordingCanvas's name, a FakePicture's file
  // name, "null" for none, otherwise "?" (compare Op::source with the expected pointer).
  static std::string SourceName(const Canvas* src) {
    if (src == nullptr) return "null";
    if (const auto* rec = dynamic_cast<const RecordingCanvas*>(src)) return rec->name;
    if (const auto* pic = dynamic_cast<const FakePicture*>(src)) return pic->name;
    return "?";
  }

  static std::string Describe(const Op& op) {
    char buf[160];
    switch (op.kind) {
      case OpKind::Rectangle:
      case OpKind::Ellipse:
        std::snprintf(buf, sizeof buf, "%s(%d,%d,%d,%d)",
                      op.kind == OpKind::Rectangle ? "Rectangle" : "Ellipse", op.x, op.y, op.right,
                      op.bottom);
        return buf;
      case OpKind::MoveTo:
      case OpKind::LineTo:
        std::snprintf(buf, sizeof buf, "%s(%d,%d)", op.kind == OpKind::MoveTo ? "MoveTo" : "LineTo",
                      op.x, op.y);
        return buf;
      case OpKind::TextAt:
        std::snprintf(buf, sizeof buf, "TextAt(%d,%d,", op.x, op.y);
        return buf + op.text + ")";
      case OpKind::TextInBox:
        std::snprintf(buf, sizeof buf, "TextInBox(%d,%d,%d,%d,", op.x, op.y, op.right, op.bottom);
        return buf + op.text + ")";
      case OpKind::CopyFrom:
        std::snprintf(buf, sizeof buf, "CopyFrom(%d,%d,%d,%d,%s,%d,%d)", op.x, op.y, op.w, op.h,
                      SourceName(op.source).c_str(), op.sx, op.sy);
        return buf;
      case OpKind::Blend:
        std::snprintf(buf, sizeof buf, "Blend(%d,%d,%d,%d,%s,%d,%d,%d,%d,%d,#%06X)", op.x, op.y,
                      op.w, op.h, SourceName(op.source).c_str(), op.sx, op.sy, op.sw, op.sh,
                      op.opacity, static_cast<unsigned>(op.transparent));
        return buf;
      default:
        return "";
    }
  }
  static std::string DescribeAll(const Op& op) {
    switch (op.kind) {
      case OpKind::PushPen:
        return "PushPen(" + DescribePen(op.pen) + ")";
      case OpKind::PopPen:
        return "PopPen";
      case OpKind::PushBrush:
        return "PushBrush(" + DescribeBrush(op.brush) + ")";
      case OpKind::PopBrush:
        return "PopBrush";
      case OpKind::PushLabelFont:
        return "PushLabelFont";
      case OpKind::PopFont:
        return "PopFont";
      case OpKind::SetBackgroundMode:
        return op.mode == BackgroundMode::Opaque ? "SetBackgroundMode(opaque)"
                                                 : "SetBackgroundMode(transparent)";
      default:
        return Describe(op);
    }
  }

 private:
  Op& Record(OpKind kind) {
    Op op;
    op.kind = kind;
    op.pen = CurrentPen();
    op.brush = CurrentBrush();
    op.mode = mode_;
    op.fontDepth = fontDepth_;
    ops.push_back(op);
    return ops.back();
  }
  Op& Box(OpKind kind, std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
    Op& op = Record(kind);
    op.x = l;
    op.y = t;
    op.right = r;
    op.bottom = b;
    return op;
  }

  std::vector<Pen> pens_;
  std::vector<Brush> brushes_;
  int fontDepth_ = 0;
  BackgroundMode mode_ = BackgroundMode::Opaque;
  Point position_{0, 0};
};

}  // namespace dz::testing
