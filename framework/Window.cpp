// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Window.h"

#include "framework/Application.h"
#include "framework/Dc.h"
#include "framework/Exceptions.h"
#include "framework/FrameWindow.h"
#include "framework/Module.h"
#include "framework/Scroller.h"
#include "framework/qt/Conversions.h"
#include "framework/qt/SafeCall.h"
#include "framework/qt/ScrollShell.h"
#include "framework/qt/WindowAccess.h"
#include "framework/qt/WindowWidget.h"
#include "resources/ResourceIds.h"

#include <QImage>

#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace {

// The text of string `id` with `name` in place of its "%s".
std::string FormatWindowError(const TModule* module, unsigned id, const std::string& name) {
    std::string text =
        module != nullptr ? module->LoadString(id).value_or("%s") : std::string(res::FindString(id).value_or("%s"));
    const auto at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, name);
    }
    return text;
}

}  // namespace

void ApplyPlacement(QWidget& widget, const TWindowAttr& attr) {
    // The window's own area is placed; a window manager's frame lies around it.
    const bool placed = attr.X != CW_USEDEFAULT && attr.Y != CW_USEDEFAULT;
    const bool sized = attr.W != CW_USEDEFAULT && attr.H != CW_USEDEFAULT;
    if (placed && sized) {
        widget.setGeometry(attr.X, attr.Y, attr.W, attr.H);
    } else if (placed) {
        widget.move(attr.X, attr.Y);
    } else if (sized) {
        widget.resize(attr.W, attr.H);
    }
}

TWindow::TWindow(TWindow* parent, const char* title, TModule* module)
    : Parent(parent), Module(module), Title(title != nullptr ? title : ""), ShownCaption(Title) {
    if (Module == nullptr) {
        Module = parent != nullptr ? parent->GetModule() : gModule;
    }
    if (parent != nullptr) {
        parent->Children.push_back(this);
        Attr.Style = WS_CHILD | WS_VISIBLE;
    }
}

TWindow::~TWindow() {
    Destroy();
    while (!Children.empty()) {
        delete Children.back();  // each child leaves the list in its destructor
    }
    if (Parent != nullptr) {
        Parent->ChildLeaving(*this);
        std::erase(Parent->Children, this);
    }
}

const TEventTable& TWindow::ClassEventTable() {
    static const TEventTable table(TEventHandler::ClassEventTable(), {
                                                                         EvSize(&TWindow::HandleSize),
                                                                     });
    return table;
}

void TWindow::Create() {
    if (IsWindow()) {
        return;
    }
    const unsigned failure = (Attr.Style & WS_CHILD) != 0 ? strid::ChildCreateFailure : strid::WindowCreateFailure;
    if (Parent != nullptr && !Parent->IsWindow()) {
        throw xmsg(WindowErrorText(failure));
    }
    PerformCreate();
    if (!IsWindow()) {
        throw xmsg(WindowErrorText(failure));
    }
    SetupWindow();
    if (Parent != nullptr && (Attr.Style & WS_VISIBLE) != 0) {
        Impl->Top->show();
    }
}

void TWindow::PerformCreate() {
    QWidget* parentWidget = Parent != nullptr ? TWindowAccess::ChildArea(*Parent) : nullptr;
    QWidget* top = nullptr;
    if ((Attr.Style & (WS_HSCROLL | WS_VSCROLL)) != 0) {
        auto* shell = new ScrollShell(*this, parentWidget, Attr.Style);
        TWindowAccess::Attach(*this, shell, shell->Client());
        top = shell;
    } else {
        auto* widget = new WindowWidget(*this, parentWidget);
        TWindowAccess::Attach(*this, widget, widget);
        top = widget;
    }
    top->setWindowTitle(ToQString(ShownCaption));
    ApplyPlacement(*top, Attr);
}

void TWindow::SetupWindow() {
    if (Scroller != nullptr) {
        Scroller->SetSBarRange();
    }
    for (TWindow* child : Children) {
        if (!child->IsWindow()) {
            child->Create();
        }
    }
}

void TWindow::CleanupWindow() {}

bool TWindow::IsWindow() const {
    return Impl != nullptr && !Impl->Top.isNull();
}

void TWindow::Destroy() {
    if (Impl == nullptr) {
        return;
    }
    for (TWindow* child : Children) {
        child->Destroy();
    }
    if (!Impl->Top.isNull()) {
        CleanupWindow();
    }
    const std::unique_ptr<TWindowImpl> impl = std::move(Impl);
    if (!impl->Client.isNull()) {
        impl->Client->Detach();
    }
    if (!impl->Top.isNull()) {
        UntagWidget(*impl->Top);
        impl->Top->hide();
        // Destroy() may run inside one of the widget's own event handlers.
        impl->Top->setParent(nullptr);
        impl->Top->deleteLater();
    }
    TApplication* app = GetApplication();
    if (app != nullptr && static_cast<TWindow*>(app->GetMainWindow()) == this) {
        app->PostQuit(0);
    }
}

void TWindow::Show(int cmdShow) {
    if (!IsWindow()) {
        return;
    }
    QWidget* top = Impl->Top;
    switch (cmdShow) {
    case SW_HIDE: top->hide(); return;
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE: top->showMinimized(); return;
    case SW_SHOWMAXIMIZED: top->showMaximized(); break;
    default: top->show(); break;
    }
    if (top->isWindow()) {
        // Without a window manager a shown window never becomes active by itself.
        top->raise();
        top->activateWindow();
    }
}

bool TWindow::IsVisible() const {
    return IsWindow() && Impl->Top->isVisible();
}

void TWindow::SetParent(TWindow* newParent) {
    if (newParent == Parent) {
        return;
    }
    if (Parent != nullptr) {
        Parent->ChildLeaving(*this);
        std::erase(Parent->Children, this);
    }
    Parent = newParent;
    if (Parent != nullptr) {
        Parent->Children.push_back(this);
    }
    if (IsWindow()) {
        QWidget* parentWidget = Parent != nullptr ? TWindowAccess::ChildArea(*Parent) : nullptr;
        const bool visible = Impl->Top->isVisible() || (Parent != nullptr && (Attr.Style & WS_VISIBLE) != 0);
        Impl->Top->setParent(parentWidget);
        Impl->Top->setVisible(visible);
    }
}

TWindow* TWindow::ChildWithId(unsigned id) const {
    const auto it = std::find_if(Children.begin(), Children.end(), [id](TWindow* w) { return w->Attr.Id == id; });
    return it != Children.end() ? *it : nullptr;
}

TApplication* TWindow::GetApplication() const {
    return TApplication::Current();
}

void TWindow::SetCaption(std::string_view title) {
    Title = std::string(title);
    SetWindowText(Title);
}

void TWindow::SetWindowText(std::string_view text) {
    ShownCaption = std::string(text);
    if (IsWindow()) {
        Impl->Top->setWindowTitle(ToQString(ShownCaption));
    }
}

TRect TWindow::GetClientRect() const {
    if (!IsWindow() || Impl->Client.isNull()) {
        return TRect{};
    }
    return TRect{0, 0, Impl->Client->width(), Impl->Client->height()};
}

TRect TWindow::GetWindowRect() const {
    if (!IsWindow()) {
        return TRect{};
    }
    return FromQRect(Impl->Top->geometry());
}

void TWindow::SetFocus() {
    if (!IsWindow()) {
        return;
    }
    // A control of a dialog has no client area of its own: the control itself takes the keys.
    QWidget* target = !Impl->Client.isNull() ? Impl->Client.data() : Impl->Top.data();
    target->setFocus(Qt::OtherFocusReason);
}

void TWindow::Invalidate() {
    if (IsWindow() && !Impl->Client.isNull()) {
        Impl->Client->Invalidate();
    }
}

void TWindow::UpdateWindow() {
    if (IsWindow() && !Impl->Client.isNull()) {
        Impl->Client->RepaintIfInvalid();
        Impl->Client->update();
    }
}

void TWindow::SetBkgndColor(const TColor& color) {
    Background = color;
}

void TWindow::SetScroller(std::unique_ptr<TScroller> scroller) {
    Scroller = std::move(scroller);
    if (Scroller != nullptr && IsWindow()) {
        Scroller->SetPageSize();
        Scroller->SetSBarRange();
    }
}

void TWindow::HandleSize(unsigned sizeType, const TSize&) {
    if (Scroller != nullptr && sizeType != SIZE_MINIMIZED) {
        Scroller->SetPageSize();
        Scroller->SetSBarRange();
    }
}

TResult TWindow::SendMessage(unsigned msg, unsigned id, std::uintptr_t wParam, std::intptr_t lParam) {
    TMessage message{msg, id, wParam, lParam};
    return HandleMessage(message);
}

TResult TWindow::HandleMessage(TMessage& msg) {
    if (!Dispatch(msg)) {
        DefaultProcessing(msg);
    }
    return msg.Result;
}

void TWindow::DefaultProcessing(TMessage& msg) {
    // Keys that no handler took scroll a window that has a scroller.
    if (msg.Msg == WM_KEYDOWN && Scroller != nullptr) {
        Scroller->KeyScroll(static_cast<unsigned>(msg.WParam));
    }
}

void TWindow::ChildLeaving(TWindow&) {}

std::optional<unsigned> TWindow::TranslateAccelerator(const TMessage& msg) const {
    if (msg.Msg != WM_KEYDOWN || Attr.AccelTable == 0 || Module == nullptr) {
        return std::nullopt;
    }
    const auto key = static_cast<unsigned>(msg.WParam);
    const auto modifiers = static_cast<unsigned>(HighUWord(msg.LParam)) & (res::FSHIFT | res::FCONTROL | res::FALT);
    for (const res::Accelerator& accel : Module->LoadAccelerators(Attr.AccelTable).entries) {
        const unsigned wanted = accel.flags & (res::FSHIFT | res::FCONTROL | res::FALT);
        if (accel.key == key && wanted == modifiers) {
            return accel.command;
        }
    }
    return std::nullopt;
}

TPreProcess TWindow::PreProcessMsg(const TMessage& msg) {
    if (const auto command = TranslateAccelerator(msg)) {
        SendMessage(WM_COMMAND, *command);
        return TPreProcess::Consumed;
    }
    return TPreProcess::PassOn;
}

bool TWindow::IdleAction(long idleCount) {
    bool wantsMore = false;
    for (TWindow* child : Children) {
        wantsMore = child->IdleAction(idleCount) || wantsMore;
    }
    return wantsMore;
}

bool TWindow::CanClose() {
    return std::all_of(Children.begin(), Children.end(), [](TWindow* child) { return child->CanClose(); });
}

void TWindow::CloseWindow() {
    TApplication* app = GetApplication();
    const bool isMain = app != nullptr && static_cast<TWindow*>(app->GetMainWindow()) == this;
    if (isMain ? app->CanClose() : CanClose()) {
        Destroy();
    }
}

int TWindow::MessageBox(std::string_view text, const char* caption, unsigned flags) {
    return MessageBoxEx(this, text, caption, flags);
}

void TWindow::EvPaint() {
    TPaintDC dc(*this);
    TRect rect = dc.GetPaintRect();
    OnPaint(dc, true, rect);
}

void TWindow::OnPaint(TDC&, bool, TRect&) {}

std::string TWindow::NameForErrors() const {
    if (!Title.empty()) {
        return Title;
    }
    int status = 0;
    const char* mangled = typeid(*this).name();
    std::unique_ptr<char, decltype(&std::free)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                          &std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(mangled);
}

std::string TWindow::WindowErrorText(unsigned stringId) const {
    return FormatWindowError(Module, stringId, NameForErrors());
}

// --- TWindowAccess --------------------------------------------------------------

void TWindowAccess::Attach(TWindow& window, QWidget* top, WindowWidget* client) {
    window.Impl = std::make_unique<TWindowImpl>();
    window.Impl->Top = top;
    window.Impl->Client = client;
    TagWidget(*top, window);
}

QWidget* TWindowAccess::TopWidget(const TWindow& window) {
    return window.Impl != nullptr ? window.Impl->Top.data() : nullptr;
}

WindowWidget* TWindowAccess::ClientWidget(const TWindow& window) {
    return window.Impl != nullptr ? window.Impl->Client.data() : nullptr;
}

QWidget* TWindowAccess::ChildArea(const TWindow& window) {
    QWidget* client = ClientWidget(window);
    return client != nullptr ? client : TopWidget(window);
}

QImage& TWindowAccess::RetainedImage(TWindow& window) {
    return ClientWidget(window)->Image();
}

void TWindowAccess::Paint(TWindow& window) {
    QImage& image = RetainedImage(window);
    image.fill(ToQColor(window.Background));
    CallSafely([&window] { window.EvPaint(); }, TReportTiming::Deferred);
}
