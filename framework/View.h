#pragma once
// TView: what the application shell needs of a view when the document
// manager reports it (ViewNotify): whether it is usable, its window and its
// optional menu description. The view base of the document handling derives
// from it and adds the document link. A view is owned by its document.

class TMenuDescr;
class TWindow;

class TView {
public:
    virtual ~TView() = default;

    /// The view id; 0 means the view is not usable.
    virtual unsigned GetViewId() const = 0;
    /// The window that shows the view (for a window view: itself).
    virtual TWindow* GetWindow() = 0;
    /// The view's own menu description, nullptr when it has none.
    virtual const TMenuDescr* GetViewMenu() const { return nullptr; }
};
