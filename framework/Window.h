// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TWindow: a window of the program. It keeps its creation attributes, title,
// parent and child windows, routes messages through its event table, paints
// its client area from a retained image, and offers the message box service.
// The platform window (a Qt widget) is private to the framework and exists
// between Create() and Destroy(); the object may live longer.
//
// Ownership: a window owns the child windows constructed with it as parent
// (or given to it by SetParent) and deletes those still attached when it is
// deleted; a child deleted first leaves its parent's list.
//
// Painting: the screen always shows the window's retained client image.
// Invalidate() marks the whole client area; the next repaint erases the image
// with the background colour and then calls EvPaint(), which hands a paint
// surface (framework/Dc.h) to the paint hook OnPaint(). Drawing surfaces
// reach the image through the framework's private accessor TWindowAccess
// (framework/qt/WindowAccess.h).
//
// Scrolling: a window may own a TScroller (framework/Scroller.h). Its origin
// offsets the paint surface, the size handling gives it the page steps, and
// a window created with WS_HSCROLL or WS_VSCROLL shows real scroll bars
// beside its client area.

#include "framework/EventHandler.h"
#include "framework/Geometry.h"
#include "framework/MessageBox.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TApplication;
class TDC;
class TModule;
class TScroller;
class TWindowImpl;

// Window styles that the framework honours.
inline constexpr std::uint32_t WS_CHILD = 0x40000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_BORDER = 0x00800000;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000;
inline constexpr std::uint32_t WS_HSCROLL = 0x00100000;

/// "Let the platform choose" for a position or size attribute.
inline constexpr int CW_USEDEFAULT = INT32_MIN;

// Show commands.
inline constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_SHOWMINNOACTIVE = 7, SW_SHOWDEFAULT = 10;

/// The creation attributes of a window; effective when it is created.
struct TWindowAttr {
    std::uint32_t Style = 0;
    std::uint32_t ExStyle = 0;
    int X = CW_USEDEFAULT;
    int Y = CW_USEDEFAULT;
    int W = CW_USEDEFAULT;
    int H = CW_USEDEFAULT;
    unsigned Menu = 0;        // menu resource id (frames)
    unsigned Id = 0;          // child id, see ChildWithId
    unsigned AccelTable = 0;  // accelerator table resource id, 0 for none
};

/// How a window answers the pre-translation of a message (keys) before it
/// is delivered.
enum class TPreProcess {
    PassOn,    // not translated here: offer it to the parent window
    Consumed,  // translated here (for example into a command): do not deliver it
    Deliver,   // stop pre-translating and deliver it as it is (dialog navigation)
};

class TWindow : public TEventHandler {
public:
    /// A window with `parent` (nullptr for a top-level window), `title`
    /// (nullptr for none) and `module` (nullptr: the parent's, else the global one).
    explicit TWindow(TWindow* parent, const char* title = nullptr, TModule* module = nullptr);
    ~TWindow() override;

    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

    DECLARE_EVENT_TABLE

    /// Creation attributes; set them before Create().
    TWindowAttr Attr;

    // --- Creation and lifetime -------------------------------------------

    /// Creates the platform window and then the child windows, and runs
    /// SetupWindow(). Shows it when Attr.Style has WS_VISIBLE or it is a
    /// child. Throws xmsg (32747, or 32745 for a child) when that fails.
    void Create();
    /// Whether the platform window exists.
    bool IsWindow() const;
    /// Destroys the platform windows of this window and its children; the
    /// objects stay. Destroying the application's main window ends the loop.
    void Destroy();
    /// Shows or hides the window with a show command (SW_...).
    virtual void Show(int cmdShow);
    /// Whether the window is shown.
    bool IsVisible() const;

    // --- Family ---------------------------------------------------------

    /// The parent window, nullptr for a top-level window.
    TWindow* GetParent() const { return Parent; }
    /// Moves the window under `newParent` (nullptr: top level); ownership moves with it.
    void SetParent(TWindow* newParent);
    /// The child windows, oldest first.
    const std::vector<TWindow*>& GetChildren() const { return Children; }
    /// The first child whose Attr.Id is `id`, nullptr when none.
    TWindow* ChildWithId(unsigned id) const;
    /// The module that resources are read from.
    TModule* GetModule() const { return Module; }
    /// The running application, nullptr when there is none.
    TApplication* GetApplication() const;

    // --- Caption and geometry --------------------------------------------

    /// Sets the title; the caption changes at once when the window exists.
    void SetCaption(std::string_view title);
    /// The title.
    const std::string& GetCaption() const { return Title; }
    /// The caption shown now: the title, or what SetWindowText() showed since.
    const std::string& GetWindowText() const { return ShownCaption; }
    /// The client area: (0, 0, width, height).
    TRect GetClientRect() const;
    /// The window's rectangle on the desktop (for a child: in the parent's client area).
    TRect GetWindowRect() const;
    /// Gives the window the keyboard focus.
    void SetFocus();

    // --- Painting ---------------------------------------------------------

    /// Marks the whole client area for repainting (erased first).
    void Invalidate();
    /// Repaints an invalid client area now instead of at the next repaint.
    void UpdateWindow();
    /// The colour the client area is erased with (default white).
    void SetBkgndColor(const TColor& color);
    /// The erase colour.
    TColor GetBkgndColor() const { return Background; }

    // --- Scrolling -----------------------------------------------------------

    /// Gives the window `scroller` (nullptr: none), which it owns from now on;
    /// a created window's bars take its range at once.
    void SetScroller(std::unique_ptr<TScroller> scroller);
    /// The window's scroller, nullptr when it has none.
    TScroller* GetScroller() const { return Scroller.get(); }

    // --- Messages ----------------------------------------------------------

    /// Builds a message and handles it at once (see HandleMessage).
    TResult SendMessage(unsigned msg, unsigned id = 0, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    /// Dispatches `msg` through the event table; unhandled messages go to
    /// DefaultProcessing(). Returns the message's result.
    TResult HandleMessage(TMessage& msg);
    /// Pre-translation of a key message before it is delivered; the default
    /// translates keys of the window's accelerator table (Attr.AccelTable)
    /// into commands.
    virtual TPreProcess PreProcessMsg(const TMessage& msg);
    /// Idle processing, forwarded to the children; true asks for more idle calls.
    virtual bool IdleAction(long idleCount);

    // --- Closing ------------------------------------------------------------

    /// Whether the window may close: asks every child.
    virtual bool CanClose();
    /// The close path: if CanClose() (for the main window: the application's
    /// CanClose()) agrees, destroys the window.
    virtual void CloseWindow();

    // --- Message boxes --------------------------------------------------------

    /// A modal message box owned by this window (see MessageBoxEx).
    int MessageBox(std::string_view text, const char* caption = nullptr, unsigned flags = MB_OK);

protected:
    /// Builds the platform window; window kinds with a platform window of
    /// their own (frames, dialogs) override it. Called by Create().
    virtual void PerformCreate();
    /// Runs once the platform window exists, before it is shown; the default
    /// gives the scroll bars the scroller's range and creates the child
    /// windows. Overrides call the base first.
    virtual void SetupWindow();
    /// Runs just before the platform window is destroyed.
    virtual void CleanupWindow();
    /// The repaint of the retained image, which has just been erased: the
    /// default opens a paint surface with the scroller's origin and calls
    /// OnPaint() with it. Windows that draw with Qt themselves override it.
    virtual void EvPaint();
    /// The paint hook: draws on `dc` in logical coordinates; `rect` is the
    /// area being repainted (the whole client area, in logical coordinates)
    /// and `erase` says it was erased (always). The default draws nothing.
    virtual void OnPaint(TDC& dc, bool erase, TRect& rect);
    /// The framework's size handling (WM_SIZE): unless minimised, the
    /// scroller's page steps and the scroll bars' range follow the new size.
    /// Handlers of WM_SIZE in derived windows call it first.
    void HandleSize(unsigned sizeType, const TSize& size);
    /// Runs when `child` is about to leave this window (deleted or moved to
    /// another parent); windows that keep pointers to children forget it here.
    virtual void ChildLeaving(TWindow& child);
    /// What happens to a message that no handler took; the default lets the
    /// scroller take the scroll keys (TScroller::KeyScroll).
    virtual void DefaultProcessing(TMessage& msg);
    /// Shows `text` as the caption without changing the title.
    void SetWindowText(std::string_view text);
    /// A name for error texts: the title, or the class name when there is none.
    std::string NameForErrors() const;
    /// The text of framework error string `stringId` with NameForErrors() in
    /// place of its "%s".
    std::string WindowErrorText(unsigned stringId) const;
    /// The command that key message `msg` stands for in the window's
    /// accelerator table, if any.
    std::optional<unsigned> TranslateAccelerator(const TMessage& msg) const;

private:
    friend class TWindowAccess;

    TWindow* Parent = nullptr;
    std::vector<TWindow*> Children;
    TModule* Module = nullptr;
    std::string Title;
    std::string ShownCaption;
    TColor Background{255, 255, 255};
    std::unique_ptr<TScroller> Scroller;
    std::unique_ptr<TWindowImpl> Impl;
};
