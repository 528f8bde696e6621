// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/FrameWindow.h"

#include "framework/Application.h"
#include "framework/Module.h"
#include "framework/qt/Conversions.h"
#include "framework/qt/EventHold.h"
#include "framework/qt/FrameShell.h"
#include "framework/qt/Icons.h"
#include "framework/qt/SafeCall.h"
#include "framework/qt/WindowAccess.h"
#include "framework/qt/WindowWidget.h"
#include "resources/ResourceIds.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QVBoxLayout>

#include <string>

namespace {

constexpr const char* kHintIdProperty = "korvaniHintId";
constexpr std::size_t kHintBufferSize = 128;

// A popup's hint id: its first item's command id (searching inward) minus 1.
unsigned PopupHintId(const res::MenuItem& popup) {
    if (popup.items.empty()) {
        return 0;
    }
    const res::MenuItem& first = popup.items.front();
    switch (first.kind) {
    case res::MenuItem::Kind::Command: return first.id - 1;
    case res::MenuItem::Kind::Popup: return PopupHintId(first);
    case res::MenuItem::Kind::Separator: return 0;
    }
    return 0;
}

// The hint id of a highlighted action: its command id, a popup's hint id, 0 for separators.
unsigned HintIdOf(const QAction* action) {
    if (action == nullptr || action->isSeparator()) {
        return 0;
    }
    return action->property(kHintIdProperty).toUInt();
}

TFrameWindow* FrameOf(const QPointer<WindowWidget>& body) {
    return body.isNull() ? nullptr : dynamic_cast<TFrameWindow*>(body->Owner());
}

// A pointer resting on a separator (or on no item) blanks the hint: Qt
// reports only items that can be highlighted.
class SeparatorHintFilter : public QObject {
public:
    SeparatorHintFilter(QPointer<WindowWidget> body, QMenu* menu) : QObject(menu), Body(std::move(body)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseMove) {
            auto* menu = static_cast<QMenu*>(watched);
            const QAction* action = menu->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            TFrameWindow* frame = FrameOf(Body);
            if (frame != nullptr && (action == nullptr || action->isSeparator())) {
                CallSafely([&] { TFrameAccess::ShowHint(*frame, 0); });
            }
        }
        return false;
    }

private:
    QPointer<WindowWidget> Body;
};

// Grayed items can be highlighted (and show their hints), as on the
// platform the program was made for; Qt's own styles skip them.
class MenuStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_Menu_AllowActiveAndDisabled) {
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Builds menus from resource items and wires them to the frame: commands,
// enabling when a popup opens, hints while items are highlighted.
class MenuWiring {
public:
    explicit MenuWiring(WindowWidget* body) : Body(body) {}

    void FillBar(QMenuBar& bar, const std::vector<res::MenuItem>& items) const {
        for (const res::MenuItem& item : items) {
            if (item.kind == res::MenuItem::Kind::Popup) {
                QMenu* menu = bar.addMenu(ToQString(item.text));
                menu->menuAction()->setProperty(kHintIdProperty, PopupHintId(item));
                FillMenu(*menu, item.items, true);
            } else if (item.kind == res::MenuItem::Kind::Command) {
                AddCommand(bar, item);
            }
        }
    }

private:
    void FillMenu(QMenu& menu, const std::vector<res::MenuItem>& items, bool topLevel) const {
        auto* style = new MenuStyle;
        style->setParent(&menu);
        menu.setStyle(style);
        for (const res::MenuItem& item : items) {
            switch (item.kind) {
            case res::MenuItem::Kind::Separator: menu.addSeparator(); break;
            case res::MenuItem::Kind::Command: AddCommand(menu, item); break;
            case res::MenuItem::Kind::Popup: {
                QMenu* sub = menu.addMenu(ToQString(item.text));
                sub->menuAction()->setProperty(kHintIdProperty, PopupHintId(item));
                FillMenu(*sub, item.items, false);
                break;
            }
            }
        }
        const QPointer<WindowWidget> body = Body;
        menu.installEventFilter(new SeparatorHintFilter(body, &menu));
        QObject::connect(&menu, &QMenu::hovered, Body, [body](QAction* action) {
            if (TFrameWindow* frame = FrameOf(body)) {
                CallSafely([&] { TFrameAccess::ShowHint(*frame, HintIdOf(action)); });
            }
        });
        QMenu* menuPtr = &menu;
        QObject::connect(&menu, &QMenu::aboutToShow, Body, [body, menuPtr, topLevel] {
            TFrameWindow* frame = FrameOf(body);
            if (frame == nullptr) {
                return;
            }
            CallSafely([&] {
                for (QAction* action : menuPtr->actions()) {
                    if (action->menu() == nullptr && !action->isSeparator()) {
                        action->setEnabled(frame->IsCommandEnabled(HintIdOf(action)));
                    }
                }
                if (topLevel) {
                    // The popup's own entry on the bar is highlighted now.
                    TFrameAccess::ShowHint(*frame, HintIdOf(menuPtr->menuAction()));
                }
            });
        });
        QObject::connect(&menu, &QMenu::aboutToHide, Body, [body] {
            if (body.isNull()) {
                return;
            }
            // Cleared once the whole menu has closed, not when moving to the next popup.
            TEventHold::Post(*body, [body] {
                TFrameWindow* frame = FrameOf(body);
                if (frame != nullptr && QApplication::activePopupWidget() == nullptr) {
                    CallSafely([&] { TFrameAccess::ShowHint(*frame, 0); });
                }
            });
        });
    }

    void AddCommand(QWidget& container, const res::MenuItem& item) const {
        auto* action = new QAction(ToQString(item.text), &container);
        action->setProperty(kHintIdProperty, item.id);
        container.addAction(action);
        const QPointer<WindowWidget> body = Body;
        const unsigned id = item.id;
        QObject::connect(action, &QAction::triggered, Body, [body, id] {
            if (TFrameWindow* frame = FrameOf(body)) {
                CallSafely([&] { frame->RouteCommand(id); });
            }
        });
    }

    WindowWidget* Body;
};

}  // namespace

// --- FrameShell --------------------------------------------------------------------

FrameShell::FrameShell(TFrameWindow& frame, QWidget* parent)
    : QWidget(parent), Bar(new QMenuBar(this)), BodyWidget(new WindowWidget(frame, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Bar->setNativeMenuBar(false);
    layout->setMenuBar(Bar);
    layout->addWidget(BodyWidget, 1);
    auto* bodyLayout = new QVBoxLayout(BodyWidget);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(0);
    setFocusProxy(BodyWidget);
}

void FrameShell::closeEvent(QCloseEvent* event) {
    // The frame decides, through its close path; Qt never closes it alone.
    event->ignore();
    if (auto* frame = dynamic_cast<TFrameWindow*>(WindowFromWidget(this))) {
        CallSafely([frame] { frame->CloseWindow(); });
    }
}

FrameShell* TFrameAccess::Shell(const TFrameWindow& frame) {
    return dynamic_cast<FrameShell*>(TWindowAccess::TopWidget(frame));
}

QMenuBar* TFrameAccess::MenuBar(const TFrameWindow& frame) {
    FrameShell* shell = Shell(frame);
    return shell != nullptr ? shell->MenuBar() : nullptr;
}

void TFrameAccess::ShowHint(TFrameWindow& frame, unsigned id) {
    if (frame.TrackMenuSelection) {
        frame.SetHintText(frame.MenuHint(id));
    }
}

// --- TFrameWindow ----------------------------------------------------------------

TFrameWindow::TFrameWindow(TWindow* parent, const char* title, TWindow* client, bool trackMenuSelection,
                           TModule* module)
    : TWindow(parent, title, module), TrackMenuSelection(trackMenuSelection) {
    Attr.Style &= ~WS_CHILD;
    if (client != nullptr) {
        SetClientWindow(client);
    }
}

TFrameWindow::~TFrameWindow() {
    // The client belongs to someone else (a view to its document).
    if (ClientWindow != nullptr && ClientWindow->GetParent() == this) {
        Destroy();
        ClientWindow->SetParent(nullptr);
    }
}

const TEventTable& TFrameWindow::ClassEventTable() {
    static const TEventTable table(TWindow::ClassEventTable(), {
                                                                   EvCommand(CmdQuit, &TFrameWindow::CmExit),
                                                               });
    return table;
}

void TFrameWindow::PerformCreate() {
    QWidget* parentWidget = GetParent() != nullptr ? TWindowAccess::ChildArea(*GetParent()) : nullptr;
    auto* shell = new FrameShell(*this, parentWidget);
    TWindowAccess::Attach(*this, shell, shell->Body());
    shell->setWindowTitle(ToQString(GetWindowText()));
    ApplyPlacement(*shell, Attr);
    ApplyIcon();
    BuildMenuBar();
}

void TFrameWindow::SetupWindow() {
    TWindow::SetupWindow();
    Relayout();
}

TWindow* TFrameWindow::SetClientWindow(TWindow* client) {
    TWindow* previous = ClientWindow;
    if (previous == client) {
        return previous;
    }
    ClientWindow = client;
    if (previous != nullptr && previous->GetParent() == this) {
        previous->Show(SW_HIDE);
        previous->SetParent(nullptr);
    }
    if (client != nullptr) {
        client->Attr.Style |= WS_CHILD | WS_VISIBLE;
        client->SetParent(this);
        if (IsWindow()) {
            if (!client->IsWindow()) {
                client->Create();
            }
            client->Show(SW_SHOWNORMAL);
        }
    }
    if (IsWindow()) {
        Relayout();
        if (client != nullptr) {
            client->SetFocus();
        }
    }
    return previous;
}

void TFrameWindow::Relayout() {
    WindowWidget* body = TWindowAccess::ClientWidget(*this);
    if (body == nullptr) {
        return;
    }
    auto* layout = static_cast<QVBoxLayout*>(body->layout());
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item;  // the widgets stay; only the layout's slots go
    }
    const std::vector<TEdgeWindow> edges = EdgeWindows();
    const auto addEdge = [layout](TWindow* window) {
        QWidget* widget = TWindowAccess::TopWidget(*window);
        if (widget == nullptr) {
            return;
        }
        if (window->Attr.H != CW_USEDEFAULT) {
            widget->setFixedHeight(window->Attr.H);
        }
        layout->addWidget(widget);
    };
    for (const TEdgeWindow& edge : edges) {
        if (edge.AtTop) {
            addEdge(edge.Window);
        }
    }
    QWidget* clientWidget = ClientWindow != nullptr ? TWindowAccess::TopWidget(*ClientWindow) : nullptr;
    if (clientWidget != nullptr) {
        layout->addWidget(clientWidget, 1);
    } else {
        layout->addStretch(1);
    }
    // An activated frame hands the keyboard to its client window.
    TWindowAccess::TopWidget(*this)->setFocusProxy(clientWidget != nullptr ? clientWidget : body);
    for (const TEdgeWindow& edge : edges) {
        if (!edge.AtTop) {
            addEdge(edge.Window);
        }
    }
    layout->activate();
}

void TFrameWindow::SetIcon(TModule* module, unsigned iconId) {
    IconModule = module != nullptr ? module : GetModule();
    IconId = iconId;
    ApplyIcon();
}

void TFrameWindow::ApplyIcon() {
    QWidget* top = TWindowAccess::TopWidget(*this);
    if (top != nullptr && IconId != 0 && IconModule != nullptr) {
        top->setWindowIcon(IconFromResource(IconModule->LoadIcon(IconId)));
    }
}

void TFrameWindow::AssignMenu(unsigned menuId) {
    SetMenuDescr(TMenuDescr(menuId, GetModule()));
    Attr.Menu = menuId;
}

void TFrameWindow::SetMenuDescr(const TMenuDescr& descr) {
    MenuDescr = descr;
    ShownMenu = descr;
    BuildMenuBar();
}

void TFrameWindow::MergeMenu(const TMenuDescr& descr) {
    ShownMenu = MenuDescr ? MenuDescr->Merged(descr) : descr;
    BuildMenuBar();
}

void TFrameWindow::BuildMenuBar() {
    FrameShell* shell = TFrameAccess::Shell(*this);
    if (shell == nullptr) {
        return;
    }
    QMenuBar* bar = shell->MenuBar();
    bar->clear();
    for (QMenu* old : bar->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly)) {
        old->deleteLater();
    }
    if (ShownMenu) {
        MenuWiring(shell->Body()).FillBar(*bar, ShownMenu->GetItems());
    }
}

void TFrameWindow::SetDocTitle(std::string_view docTitle, int index) {
    if (index < 0) {
        return;
    }
    std::string caption = GetCaption() + " - " + std::string(docTitle);
    if (index > 0) {
        caption += ":" + std::to_string(index);
    }
    SetWindowText(caption);
}

TWindow* TFrameWindow::GetCommandTarget() {
    // The focus inside the frame's own window: an open menu has the
    // keyboard meanwhile but does not change where commands go.
    const QWidget* top = TWindowAccess::TopWidget(*this);
    TWindow* focused = top != nullptr ? WindowFromWidget(top->window()->focusWidget()) : nullptr;
    for (TWindow* w = focused != this ? focused : nullptr; w != nullptr; w = w->GetParent()) {
        if (w == this) {
            return focused;
        }
    }
    return ClientWindow != nullptr ? ClientWindow : this;
}

bool TFrameWindow::RouteCommand(unsigned id) {
    TMessage msg{WM_COMMAND, id, 0, 0};
    for (TWindow* w = GetCommandTarget(); w != nullptr; w = w == this ? nullptr : w->GetParent()) {
        if (w->Dispatch(msg)) {
            return true;
        }
    }
    TApplication* app = GetApplication();
    return app != nullptr && app->Dispatch(msg);
}

bool TFrameWindow::IsCommandEnabled(unsigned id) {
    TCommandEnabler enabler(id);
    TMessage query{CommandEnable, id, 0, reinterpret_cast<std::intptr_t>(&enabler)};
    bool handlerExists = false;
    const auto ask = [&](TEventHandler& handler) {
        handler.Dispatch(query);
        handlerExists = handlerExists || static_cast<bool>(handler.FindEventHandler(WM_COMMAND, id));
        return enabler.IsAnswered();
    };
    for (TWindow* w = GetCommandTarget(); w != nullptr; w = w == this ? nullptr : w->GetParent()) {
        if (ask(*w)) {
            return enabler.IsEnabled();
        }
    }
    TApplication* app = GetApplication();
    if (app != nullptr && ask(*app)) {
        return enabler.IsEnabled();
    }
    return handlerExists;
}

std::string TFrameWindow::MenuHint(unsigned id) const {
    if (id == 0 || (id >= 32001 && id <= 32009) || GetModule() == nullptr) {
        return {};
    }
    char buffer[kHintBufferSize];
    GetModule()->LoadString(id, buffer, static_cast<int>(sizeof buffer));
    return buffer;
}

void TFrameWindow::ChildLeaving(TWindow& child) {
    if (&child == ClientWindow) {
        ClientWindow = nullptr;
        Relayout();
    }
}

void TFrameWindow::SetHintText(const std::string&) {}

TPreProcess TFrameWindow::PreProcessMsg(const TMessage& msg) {
    if (const auto command = TranslateAccelerator(msg)) {
        RouteCommand(*command);
        return TPreProcess::Consumed;
    }
    return TPreProcess::PassOn;
}

void TFrameWindow::DefaultProcessing(TMessage& msg) {
    // What the main window does not handle itself is the application's.
    TApplication* app = GetApplication();
    if (app != nullptr && app->GetMainWindow() == this) {
        app->Dispatch(msg);
    }
}

void TFrameWindow::CmExit() {
    CloseWindow();
}
