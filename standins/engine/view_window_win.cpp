#include "standins/engine/view_window_win.h"

#include <windowsx.h>

#include <string>
#include <vector>

#include "standins/engine/this_module_win.h"
#include "text/utf16.h"
#include "text/wide_chars.h"

namespace kestro::standin {
namespace {

constexpr wchar_t kClassName[] = L"KestroStandInView";

constexpr COLORREF kBackground = RGB(0xF4, 0xF6, 0xF8);
constexpr COLORREF kTitleBand = RGB(0x1B, 0x3A, 0x5C);
constexpr COLORREF kInk = RGB(0x1F, 0x23, 0x28);
constexpr COLORREF kMutedInk = RGB(0x57, 0x60, 0x6A);
constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kSelected = RGB(0xDB, 0xEA, 0xFE);
constexpr COLORREF kBorder = RGB(0xC9, 0xD1, 0xD9);
constexpr COLORREF kAccent = RGB(0x1F, 0x6F, 0xEB);
constexpr COLORREF kDisabled = RGB(0x9A, 0xA4, 0xAE);
constexpr COLORREF kGood = RGB(0x1A, 0x7F, 0x37);
constexpr COLORREF kBad = RGB(0xB4, 0x23, 0x18);

// A GDI object selected into a device context for one scope.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~ScopedSelect() { ::SelectObject(dc_, previous_); }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A GDI object deleted at the end of its scope.
class ScopedGdiObject {
 public:
  explicit ScopedGdiObject(HGDIOBJ object) : object_(object) {}
  ~ScopedGdiObject() {
    if (object_ != nullptr) ::DeleteObject(object_);
  }
  ScopedGdiObject(const ScopedGdiObject&) = delete;
  ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
  HGDIOBJ get() const { return object_; }

 private:
  HGDIOBJ object_;
};

HFONT MakeFont(int pixel_height, bool bold) {
  return ::CreateFontW(-pixel_height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

// The fonts of one paint.
struct Fonts {
  ScopedGdiObject title{MakeFont(24, true)};
  ScopedGdiObject heading{MakeFont(17, true)};
  ScopedGdiObject body{MakeFont(16, false)};
  ScopedGdiObject fine{MakeFont(13, false)};
};

RECT ToRect(const Rect& rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }

void FillBox(HDC dc, const RECT& rect, COLORREF fill, COLORREF border) {
  ScopedGdiObject brush(::CreateSolidBrush(fill));
  ScopedGdiObject pen(::CreatePen(PS_SOLID, 1, border));
  ScopedSelect select_brush(dc, brush.get());
  ScopedSelect select_pen(dc, pen.get());
  ::RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, 8, 8);
}

void DrawLabel(HDC dc, const std::string& text, RECT rect, HGDIOBJ font, COLORREF color,
               UINT format) {
  ScopedSelect select_font(dc, font);
  ::SetTextColor(dc, color);
  const std::u16string wide = kestro::text::Utf8ToUtf16(text);
  ::DrawTextW(dc, kestro::text::AsWideChars(wide), static_cast<int>(wide.size()), &rect,
              format | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void DrawRadio(HDC dc, const RECT& rect, bool selected) {
  const int size = 14;
  const int top = (rect.top + rect.bottom - size) / 2;
  const int left = rect.left + 10;
  ScopedGdiObject pen(::CreatePen(PS_SOLID, 2, selected ? kAccent : kDisabled));
  ScopedSelect select_pen(dc, pen.get());
  ScopedSelect select_brush(dc, ::GetStockObject(WHITE_BRUSH));
  ::Ellipse(dc, left, top, left + size, top + size);
  if (!selected) return;
  ScopedGdiObject dot(::CreateSolidBrush(kAccent));
  ScopedSelect select_dot(dc, dot.get());
  ::Ellipse(dc, left + 4, top + 4, left + size - 4, top + size - 4);
}

void DrawItem(HDC dc, const DemoItem& item, const Fonts& fonts) {
  RECT rect = ToRect(item.rect);
  switch (item.kind) {
    case DemoItemKind::kTitle:
      DrawLabel(dc, item.text, rect, fonts.title.get(), kWhite, DT_LEFT | DT_VCENTER);
      return;
    case DemoItemKind::kHeading:
      DrawLabel(dc, item.text, rect, fonts.heading.get(), kInk, DT_LEFT | DT_BOTTOM);
      return;
    case DemoItemKind::kPrinterRow: {
      FillBox(dc, rect, item.selected ? kSelected : kWhite, item.selected ? kAccent : kBorder);
      DrawRadio(dc, rect, item.selected);
      RECT name = rect;
      name.left += 34;
      name.right = name.left + 360;
      DrawLabel(dc, item.text, name, fonts.body.get(), kInk, DT_LEFT | DT_VCENTER);
      RECT detail = rect;
      detail.left = name.right + 12;
      detail.right -= 12;
      DrawLabel(dc, item.detail, detail, fonts.fine.get(), kMutedInk, DT_LEFT | DT_VCENTER);
      return;
    }
    case DemoItemKind::kProtocolOption:
    case DemoItemKind::kDrawerOption: {
      FillBox(dc, rect, item.selected ? kSelected : kWhite, item.selected ? kAccent : kBorder);
      DrawRadio(dc, rect, item.selected);
      rect.left += 34;
      DrawLabel(dc, item.text, rect, fonts.body.get(), kInk, DT_LEFT | DT_VCENTER);
      return;
    }
    case DemoItemKind::kOpenButton: {
      const COLORREF fill = item.enabled ? kAccent : kDisabled;
      FillBox(dc, rect, fill, fill);
      DrawLabel(dc, item.text, rect, fonts.heading.get(), kWhite, DT_CENTER | DT_VCENTER);
      return;
    }
    case DemoItemKind::kResult:
      DrawLabel(dc, item.text, rect, fonts.body.get(), item.selected ? kGood : kBad,
                DT_LEFT | DT_VCENTER);
      return;
    case DemoItemKind::kDrawerState:
    case DemoItemKind::kStatus:
      DrawLabel(dc, item.text, rect, fonts.fine.get(), kMutedInk, DT_LEFT | DT_VCENTER);
      return;
  }
}

void PaintModel(HDC dc, const DemoModel& model, int width, int height) {
  ScopedGdiObject background(::CreateSolidBrush(kBackground));
  RECT all{0, 0, width, height};
  ::FillRect(dc, &all, static_cast<HBRUSH>(background.get()));
  ::SetBkMode(dc, TRANSPARENT);
  Fonts fonts;
  std::vector<DemoItem> items = LayOutDemo(model, width, height);
  if (!items.empty() && items.front().kind == DemoItemKind::kTitle) {
    ScopedGdiObject band(::CreateSolidBrush(kTitleBand));
    RECT band_rect{0, 0, width, items.front().rect.bottom + items.front().rect.top / 2};
    ::FillRect(dc, &band_rect, static_cast<HBRUSH>(band.get()));
  }
  for (const DemoItem& item : items) DrawItem(dc, item, fonts);
}

void RegisterViewClass() {
  WNDCLASSW window_class{};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = ThisModule();
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kClassName;
  ::RegisterClassW(&window_class);  // fails harmlessly when already registered
}

}  // namespace

ViewWindow::ViewWindow(int width, int height, const DemoModel* model, ClickHandler on_click)
    : model_(model), on_click_(std::move(on_click)) {
  RegisterViewClass();
  holder_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                              ThisModule(), nullptr);
  window_ = ::CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                              width, height, holder_, nullptr, ThisModule(), nullptr);
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ViewWindow::WindowProc));
}

ViewWindow::~ViewWindow() {
  if (::IsWindow(window_)) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
  ::DestroyWindow(holder_);
}

HWND ViewWindow::TopLevel() const { return ::GetAncestor(window_, GA_ROOT); }

void ViewWindow::Render() {
  ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void ViewWindow::Paint() {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(window_, &paint);
  RECT client;
  ::GetClientRect(window_, &client);
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  // Drawn off screen first, so the view never shows a half-painted state.
  HDC memory = ::CreateCompatibleDC(dc);
  ScopedGdiObject bitmap(::CreateCompatibleBitmap(dc, width, height));
  {
    ScopedSelect select_bitmap(memory, bitmap.get());
    PaintModel(memory, *model_, width, height);
    ::BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
  }
  ::DeleteDC(memory);
  ::EndPaint(window_, &paint);
}

LRESULT CALLBACK ViewWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* view = reinterpret_cast<ViewWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (view == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
  switch (message) {
    case WM_PAINT:
      view->Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN: {
      RECT client;
      ::GetClientRect(window, &client);
      view->on_click_(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam), client.right, client.bottom);
      return 0;
    }
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace kestro::standin
