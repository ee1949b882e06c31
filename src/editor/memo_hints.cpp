#include "editor/memo_hints.h"

#include <algorithm>
#include <string>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_library.h"
#include "analysis/syntax_token.h"
#include "editor/syntax_memo.h"
#include "platform/control_host.h"
#include "platform/image_list.h"
#include "platform/properties.h"

namespace synt {

namespace {

constexpr char kTimeError[] = "Time must be greater 0";
// Tabs of a text hint stop every this many blanks.
constexpr int kHintTabSize = 8;
// The preview shows lines as an export would: line and block highlighting, backgrounds.
const TSyntMemoPrintOptions kPreviewOptions{mpLineHighlight, mpBlockHighlight, mpBackColor};

int CheckedTime(int Value) {
  if (Value <= 0) throw Exception(kTimeError);
  return Value;
}

// Tabs to blanks up to the next stop.
std::u16string ExpandTabs(std::u16string_view Line) {
  std::u16string out;
  out.reserve(Line.size());
  for (char16_t c : Line) {
    if (c == u'\t')
      out.append(size_t(kHintTabSize - int(out.size()) % kHintTabSize), u' ');
    else
      out.push_back(c);
  }
  return out;
}

// Line is cut into rows of at most Width pixels, at blanks where it can be.
void WrapRow(TCanvas& Canvas, const std::u16string& Line, int Width,
             std::vector<std::u16string>& Rows, int& Widest) {
  if (Line.empty()) {
    Rows.emplace_back();
    return;
  }
  std::vector<int> edges;
  Canvas.MeasureUnits(Line, edges);
  const size_t n = Line.size();
  size_t start = 0;
  while (start < n) {
    size_t end = start + 1;
    while (end < n && edges[end + 1] - edges[start] <= Width) ++end;
    size_t next = end;
    if (end < n) {
      // Back to the last blank inside the row, if there is one.
      for (size_t k = end; k > start; --k)
        if (Line[k] == u' ') {
          end = k;
          next = k + 1;
          break;
        }
    }
    Rows.push_back(Line.substr(start, end - start));
    Widest = std::max(Widest, edges[end] - edges[start]);
    start = next;
  }
}

}  // namespace

// ---- THintProps -------------------------------------------------------------------------------

THintProps::THintProps() : font_(std::make_unique<TFont>()) {
  font_->SetName(u"MS Sans Serif");
  font_->SetSize(8);
  font_->SetColor(clInfoText);
}

THintProps::~THintProps() = default;

void THintProps::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const THintProps*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  font_->Assign(src->font_.get());
  color_ = src->color_;
  showHints_ = src->showHints_;
  delayBefore_ = src->delayBefore_;
  timeCollapsed_ = src->timeCollapsed_;
  timeGutter_ = src->timeGutter_;
  timeTokens_ = src->timeTokens_;
}

void THintProps::SetDelayBefore(int Value) {
  delayBefore_ = CheckedTime(Value);
}
void THintProps::SetTimeCollapsed(int Value) {
  timeCollapsed_ = CheckedTime(Value);
}
void THintProps::SetTimeGutter(int Value) {
  timeGutter_ = CheckedTime(Value);
}
void THintProps::SetTimeTokens(int Value) {
  timeTokens_ = CheckedTime(Value);
}
void THintProps::SetCollapsedLines(int Value) {
  collapsedLines_ = CheckedTime(Value);
}

void THintProps::SetStyles(TSyntStyles* Value) {
  if (Value == styles_) return;
  TComponent* old = styles_;
  styles_ = Value;
  if (OnReference) OnReference(old, Value);
}

void THintProps::SetImages(TImageList* Value) {
  if (Value == images_) return;
  TComponent* old = images_;
  images_ = Value;
  if (OnReference) OnReference(old, Value);
}

void THintProps::ComponentFreed(TComponent* Component) {
  if (Component == styles_) styles_ = nullptr;
  if (Component == images_) images_ = nullptr;
}

const TEnumInfo& ShowHintInfo() {
  static const TEnumInfo i{"TShowHint", {"shScroll", "shCollapsed", "shGutter", "shTokens"}};
  return i;
}

namespace {

void DescribeHintProps(TPropertyList& List) {
  using H = THintProps;
  TPropsOf<H> p(List);
  p.Object("Font", &H::Font);
  p.Ident("Color", &H::Color, &H::SetColor, ColorIdents()).Def(int64_t(H::kDefaultColor));
  p.Set("ShowHints", &H::ShowHints, &H::SetShowHints, ShowHintInfo()).Def(H::kDefaultShowHints);
  p.Integer("DelayBefore", &H::DelayBefore, &H::SetDelayBefore).Def(500);
  p.Integer("TimeCollapsed", &H::TimeCollapsed, &H::SetTimeCollapsed).Def(10000);
  p.Integer("TimeGutter", &H::TimeGutter, &H::SetTimeGutter).Def(5000);
  p.Integer("TimeTokens", &H::TimeTokens, &H::SetTimeTokens).Def(10000);
  p.Integer("CollapsedLines", &H::CollapsedLines, &H::SetCollapsedLines).Def(20);
  p.Component("Styles", &H::Styles, &H::SetStyles);
  p.Component("Images", &H::Images, &H::SetImages);
  p.Boolean("Formated", &H::Formated, &H::SetFormated).Def(false);
  p.Boolean("ShowFirstLine", &H::ShowFirstLine, &H::SetShowFirstLine).Def(false);
}

}  // namespace

const TClassInfo& THintProps::StaticClassInfo() {
  static const TClassInfo info("THintProps", &TPersistent::StaticClassInfo(), DescribeHintProps);
  return info;
}

// ---- TSyntHintWindow --------------------------------------------------------------------------

const TClassInfo& TSyntHintWindow::StaticClassInfo() {
  static const TClassInfo info("TSyntHintWindow", &TCustomControl::StaticClassInfo());
  return info;
}

TSyntHintWindow::TSyntHintWindow(TCustomSyntaxMemo& Memo, const THintProps& Props)
    : TCustomControl(nullptr), memo_(Memo), props_(Props) {}

void TSyntHintWindow::Clear() {
  first_ = last_ = -1;
  heights_.clear();
  rows_.clear();
}

TSize TSyntHintWindow::SetPreview(TCanvas& Canvas, int First, int Last, int MaxWidth) {
  Clear();
  first_ = First;
  last_ = Last;
  const int lineMax = std::max(1, MaxWidth - kTextPadding);
  int widest = 0, height = 0;
  for (int line = First; line <= Last; ++line) {
    const TSize s = memo_.PaintPart().MeasureForeignLine(Canvas, line, kPreviewOptions);
    heights_.push_back(s.cy);
    widest = std::max(widest, std::min(s.cx, lineMax));
    height += s.cy;
  }
  // One pixel of frame on every side.
  return {widest + 2, height + 2};
}

TSize TSyntHintWindow::SetText(TCanvas& Canvas, std::u16string_view Text, int MaxWidth) {
  Clear();
  Canvas.Font()->Assign(props_.Font());
  rowHeight_ = std::max(1, Canvas.GetTextMetrics().Height);
  const int width = std::max(1, MaxWidth - kTextPadding);
  int widest = 0;
  size_t start = 0;
  while (start <= Text.size()) {
    size_t end = Text.find_first_of(u"\r\n", start);
    if (end == std::u16string_view::npos) end = Text.size();
    WrapRow(Canvas, ExpandTabs(Text.substr(start, end - start)), width, rows_, widest);
    if (end == Text.size()) break;
    start = end + (Text[end] == u'\r' && end + 1 < Text.size() && Text[end + 1] == u'\n' ? 2 : 1);
  }
  return {widest + kTextPadding, int(rows_.size()) * rowHeight_ + 2};
}

void TSyntHintWindow::Paint(TCanvas& Canvas, const TRect&) {
  const TRect all = ClientRect();
  Canvas.Brush()->SetStyle(bsSolid);
  Canvas.Brush()->SetColor(props_.Color());
  Canvas.FillRect(all);
  if (HasPreview()) {
    int y = 1;
    for (int line = first_; line <= last_ && y < all.Bottom; ++line) {
      const int h = heights_[size_t(line - first_)];
      memo_.PaintPart().PaintForeignLine(Canvas, line, kPreviewOptions,
                                         {1, y, all.Right - 1, std::min(y + h, all.Bottom - 1)});
      y += h;
    }
  } else {
    Canvas.Font()->Assign(props_.Font());
    Canvas.Brush()->SetStyle(bsClear);
    for (size_t i = 0; i < rows_.size(); ++i)
      Canvas.TextOut(kTextPadding / 2, 1 + int(i) * rowHeight_, rows_[i]);
    Canvas.Brush()->SetStyle(bsSolid);
  }
  Canvas.Brush()->SetColor(clBlack);
  Canvas.FrameRect(all);
}

// ---- The part ---------------------------------------------------------------------------------

TMemoHintPart::TMemoHintPart(TCustomSyntaxMemo& Memo)
    : TMemoPart(Memo, kHintOrder), props_(std::make_unique<THintProps>()) {
  timer_.OnTimer = [this] { TimerFired(); };
  timer_.SetInterval(unsigned(props_->DelayBefore()));
  props_->OnReference = [this](TComponent*, TComponent* New) {
    // The link stays when the reference goes: the control may still know the component
    // otherwise (UserStyles), and a stale link costs one notification.
    if (New) TMemoPart::Memo().FreeNotification(New);
  };
}

TMemoHintPart::~TMemoHintPart() {
  timer_.SetEnabled(false);
  props_->OnReference = nullptr;
  // The window paints with this control: it goes first.
  window_ = nullptr;
  popup_.reset();
}

void TMemoHintPart::Restart(int Ms) {
  timer_.SetEnabled(false);
  timer_.SetInterval(unsigned(Ms));
  timer_.SetEnabled(true);
}

void TMemoHintPart::HideHint() {
  if (window_) window_->Clear();
  if (popup_ && popup_->Visible()) popup_->Hide();
  area_ = {};
  showing_ = false;
  timer_.SetEnabled(false);
  timer_.SetInterval(unsigned(props_->DelayBefore()));
}

void TMemoHintPart::MouseMove(int X, int Y) {
  pointer_ = {X, Y};
  if (!area_.IsEmpty() && area_.Contains(pointer_)) return;
  HideHint();
  if (Memo().Host()) Restart(props_->DelayBefore());
}

void TMemoHintPart::TimerFired() {
  if (showing_) {
    HideHint();
    return;
  }
  timer_.SetEnabled(false);
  TCustomSyntaxMemo& m = Memo();
  // Nothing pops up while the mouse is busy with a selection or a drag.
  const TMemoCaretPart& c = m.CaretPart();
  if (!m.Host() || c.selectingByMouse || c.draggingText || m.RulerPart().Dragging()) return;
  FindHint(pointer_);
}

bool TMemoHintPart::FindHint(TPoint P) {
  TCustomSyntaxMemo& m = Memo();
  const TRect area = m.TextArea();
  // Left of the text area lies the gutter, whose collapse buttons and objects come with it.
  if (!area.Contains(P)) return false;
  // Inline objects (images and controls placed in the text) do not exist in this editor.
  return CollapseHint(P) || MarginHint(P) || TokenHint(P);
}

bool TMemoHintPart::CollapseHint(TPoint P) {
  TCustomSyntaxMemo& m = Memo();
  if (!props_->ShowHints().Contains(shCollapsed) || m.CollapseStyle() == csLineSeparator)
    return false;
  const int line = m.MousePart().CollapseMarkAt(P.X, P.Y);
  if (line < 0 || !ShowPreview(line)) return false;
  area_ = m.MousePart().CollapseMarkRect(line);
  return true;
}

bool TMemoHintPart::MarginHint(TPoint P) {
  TqxTextMargin* mg = Memo().RulerPart().MarginAt(P.X, true);
  if (!mg || mg->Hint().empty()) return false;
  ShowHint(mg->Hint(), {P.X, P.Y + kPointerOffset}, false, props_->TimeGutter());
  const int h = kMarginArea / 2;
  area_ = {P.X - h, P.Y - h, P.X + h, P.Y + h};
  return true;
}

bool TMemoHintPart::TokenHint(TPoint P) {
  TCustomSyntaxMemo& m = Memo();
  TClientSyntAnalyzer* client = m.SyntClient();
  if (!props_->ShowHints().Contains(shTokens) || !client || !m.OnGetTokenHint) return false;
  TMemoCaretPart& c = m.CaretPart();
  const TSyntMemoStrings& lines = *m.Lines();
  TPoint pos = c.PointToCaret(P);
  if (pos.Y >= lines.GetCount()) return false;
  // The character under the pointer, not the nearer edge.
  TPoint at = c.CaretToPoint(pos);
  if (at.X > P.X && pos.X > 0) {
    --pos.X;
    at = c.CaretToPoint(pos);
  }
  const int rowH = c.DisplayLineHeight(c.DisplayLineOf(pos));
  if (pos.X < 0 || pos.X >= lines.LineLength(pos.Y) || P.Y < at.Y || P.Y >= at.Y + rowH)
    return false;
  const int index = client->TokenIndexAt(m.CaretPosToStrPos(pos));
  if (index < 0) return false;
  const TSyntToken& tok = client->Tokens()[index];
  const int start = tok.StartPos, end = tok.EndPos;
  std::u16string text;
  m.OnGetTokenHint(&m, index, text);
  if (text.empty()) return false;
  const TPoint from = c.CaretToPoint(m.StrPosToCaretPos(start));
  const TPoint to = c.CaretToPoint(m.StrPosToCaretPos(end));
  const TRect area = m.TextArea();
  if (from.Y == to.Y) {
    const int bottom = from.Y + c.DisplayLineHeight(c.DisplayLineOf(m.StrPosToCaretPos(start)));
    ShowHint(text, {from.X, bottom}, false, props_->TimeTokens());
    area_ = {from.X, from.Y, std::max(to.X, from.X + 1), bottom};
  } else {
    const TPoint last = m.StrPosToCaretPos(end);
    const int bottom = to.Y + c.DisplayLineHeight(c.DisplayLineOf(last));
    ShowHint(text, {P.X, P.Y + kPointerOffset}, false, props_->TimeTokens());
    area_ = {area.Left, from.Y, area.Right, bottom};
  }
  return true;
}

TSyntHintWindow* TMemoHintPart::EnsureWindow() {
  IControlHost* host = Memo().Host();
  if (!host) return nullptr;
  if (popup_ && popupHost_ != host) {
    window_ = nullptr;
    popup_.reset();
  }
  if (!popup_) {
    auto content = std::make_unique<TSyntHintWindow>(Memo(), *props_);
    window_ = content.get();
    popup_ = host->CreatePopupWindow(std::move(content), {pkHint, false, false});
    popupHost_ = host;
  }
  return window_;
}

int TMemoHintPart::AvailableWidth(TPoint P, bool FullWidth) {
  IControlHost& host = *Memo().Host();
  const TPoint screen = host.ClientToScreen(P);
  const TRect wa = host.WorkArea(screen);
  if (FullWidth) return wa.Width();
  // Near the right edge a hint would shrink to a column of single words; it may take a third of
  // the screen and move left instead.
  return std::max(wa.Right - screen.X, wa.Width() / 3);
}

void TMemoHintPart::Place(TPoint P, TSize Size) {
  IControlHost& host = *Memo().Host();
  const TPoint screen = host.ClientToScreen(P);
  const TRect wa = host.WorkArea(screen);
  int left = screen.X;
  if (left + Size.cx > wa.Right - kEdgeGap) left = std::max(wa.Left, wa.Right - kEdgeGap - Size.cx);
  popup_->Show({left, screen.Y, left + Size.cx, screen.Y + Size.cy});
  popup_->Host().Invalidate();
}

void TMemoHintPart::ShowHint(std::u16string_view Text, TPoint P, bool FullWidth, int DisplayTime) {
  TSyntHintWindow* w = EnsureWindow();
  if (!w) return;
  // Formated texts are meant for the display-item markup; until the markup renderer exists they
  // show as plain text.
  const TSize size =
      w->SetText(popup_->Host().MeasureCanvas(), Text, AvailableWidth(P, FullWidth) - kEdgeGap);
  Place(P, size);
  Restart(DisplayTime);
  showing_ = true;
}

void TMemoHintPart::ShowScrollHint(int TopLine) {
  TCustomSyntaxMemo& m = Memo();
  if (!props_->ShowHints().Contains(shScroll)) return;
  TSyntHintWindow* w = EnsureWindow();
  if (!w) return;
  std::u16string text = u"Line: ";
  for (char c : std::to_string(TopLine + 1)) text.push_back(char16_t(c));
  const TSize size = w->SetText(popup_->Host().MeasureCanvas(), text, m.ClientSize().cx);
  const TPoint pointer = m.Host()->CursorPos();
  Place({m.ClientSize().cx - size.cx, pointer.Y}, size);
  // It stays while the thumb moves; the end of scrolling hides it.
  Restart(props_->TimeTokens());
  area_ = {};
  showing_ = true;
}

bool TMemoHintPart::ShowPreview(int Line) {
  TCustomSyntaxMemo& m = Memo();
  const TCollapsedRange* r = m.CollapsedRanges()->ItemAtLine(Line);
  const int count = m.Lines()->GetCount();
  if (!r || r->LineCount < 2 || Line >= count) return false;
  const int first = props_->ShowFirstLine() ? Line : Line + 1;
  const int last = std::min(count - 1, Line + std::min(r->LineCount - 1, props_->CollapsedLines()));
  if (first > last) return false;
  TSyntHintWindow* w = EnsureWindow();
  if (!w) return false;
  // Below the row that shows the collapse mark, at the text area's left edge.
  TMemoCaretPart& c = m.CaretPart();
  const int cp = c.CollapsePoint(Line);
  const int d = c.DisplayLineOf({cp >= 0 ? cp : m.Lines()->LineLength(Line), Line});
  const TRect area = m.TextArea();
  const TPoint at{area.Left, area.Top + c.DisplayLineTop(d) + c.DisplayLineHeight(d)};
  const TSize size = w->SetPreview(popup_->Host().MeasureCanvas(), first, last,
                                   AvailableWidth(at, false) - kEdgeGap);
  Place(at, size);
  Restart(props_->TimeCollapsed());
  showing_ = true;
  return true;
}

}  // namespace synt
