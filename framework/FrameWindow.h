// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TFrameWindow: a top-level window with a caption, an icon, a menu bar and a
// client window. It routes commands from the focused window up to itself and
// on to the application, asks for each popup item whether its command is
// enabled, shows menu hints when tracking is on, and closes on command 24310.
// It does not own its client window (a view belongs to its document); it
// only lays it out.

#include "framework/MenuDescr.h"
#include "framework/Window.h"

#include <optional>
#include <string>
#include <string_view>

class TFrameWindow : public TWindow {
public:
    /// A frame with (parent, title, client window or nullptr, menu-hint
    /// tracking on or off, module).
    TFrameWindow(TWindow* parent, const char* title = nullptr, TWindow* client = nullptr,
                 bool trackMenuSelection = false, TModule* module = nullptr);
    ~TFrameWindow() override;

    DECLARE_EVENT_TABLE

    /// The client window, nullptr when there is none.
    TWindow* GetClientWindow() const { return ClientWindow; }
    /// Makes `client` (nullptr: none) the client window, at once when the
    /// frame exists; answers the previous client, which stays alive.
    TWindow* SetClientWindow(TWindow* client);

    /// Gives the frame icon `iconId` from `module` (nullptr: the frame's module).
    void SetIcon(TModule* module, unsigned iconId);
    /// The icon id, 0 when none.
    unsigned GetIconId() const { return IconId; }

    /// Uses menu resource `menuId` as the menu bar; throws xmsg when missing.
    void AssignMenu(unsigned menuId);
    /// Replaces the menu bar with the menu of `descr`.
    void SetMenuDescr(const TMenuDescr& descr);
    /// Merges `descr` into the menu (its groups replace the frame's).
    void MergeMenu(const TMenuDescr& descr);

    /// The document-title rule: the caption becomes the frame's title,
    /// " - " and `docTitle`, then ":" and `index` when index > 0. A
    /// negative index changes nothing.
    void SetDocTitle(std::string_view docTitle, int index);

    /// The window that receives the frame's commands first: the focused
    /// window when it lies inside the frame, else the client window, else the frame.
    TWindow* GetCommandTarget();
    /// Sends command `id` from the command target up to the frame, then to
    /// the application; true when some handler took it.
    bool RouteCommand(unsigned id);
    /// The enabling rule for command `id`: the first enabler on the same
    /// route decides; without one, enabled exactly when a handler exists on it.
    bool IsCommandEnabled(unsigned id);

    /// The hint for a highlighted menu entry with command id `id` (a popup
    /// passes its first item's id minus 1, a separator 0): the string with
    /// that id, at most 127 bytes, or empty for 0, for 32001 to 32009 and
    /// for ids the string table lacks.
    std::string MenuHint(unsigned id) const;

    TPreProcess PreProcessMsg(const TMessage& msg) override;

protected:
    /// A window kept along an edge of the client area.
    struct TEdgeWindow {
        TWindow* Window;
        bool AtTop;
    };
    /// The windows along the edges, in layout order; frames with decorations override it.
    virtual std::vector<TEdgeWindow> EdgeWindows() const { return {}; }
    /// Lays out the edge windows and the client window again.
    void Relayout();

    void PerformCreate() override;
    void SetupWindow() override;
    void DefaultProcessing(TMessage& msg) override;
    void ChildLeaving(TWindow& child) override;
    /// Shows a menu hint (empty: clears it); frames with a status bar override it.
    virtual void SetHintText(const std::string& text);
    /// Command 24310: close through the close path.
    void CmExit();

private:
    friend class TFrameAccess;

    void BuildMenuBar();
    void ApplyIcon();

    TWindow* ClientWindow = nullptr;
    bool TrackMenuSelection;
    unsigned IconId = 0;
    TModule* IconModule = nullptr;
    std::optional<TMenuDescr> MenuDescr;  // the frame's own menu
    std::optional<TMenuDescr> ShownMenu;  // what the bar shows (own or merged)
};
