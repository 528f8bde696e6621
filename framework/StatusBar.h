// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TStatusBar: a bar with a message area and mode indicators (CAPS, NUM,
// SCRL, OVR...). It draws its fields with a border style, follows the lock
// keys (state at the first idle call, toggled on key-down) and the Insert
// key, and shows menu hints in its message area. TGadgetWindowFont is its
// font description. The bar owns its font value; the frame it decorates
// owns the bar.

#include "framework/Window.h"

#include <string>
#include <vector>

/// The status bar's font: "MS Sans Serif" at a size in points.
class TGadgetWindowFont {
public:
    /// A font of `points`, bold (weight 700) or normal (400), italic or not.
    explicit TGadgetWindowFont(int points = 8, bool bold = false, bool italic = false);

    /// The face name asked for; the platform substitutes a sans-serif face.
    static constexpr const char* FaceName = "MS Sans Serif";
    /// The size in points.
    int GetPoints() const { return Points; }
    /// 700 when bold, 400 otherwise.
    int GetWeight() const { return Bold ? 700 : 400; }
    /// Whether italic.
    bool IsItalic() const { return Italic; }
    /// The character height for a display of `pixelsPerInchY`:
    /// -(points x ppi / 72) rounded to the nearest integer (negative: a character height).
    int GetHeight(int pixelsPerInchY) const;

private:
    int Points;
    bool Bold;
    bool Italic;
};

class TStatusBar : public TWindow {
public:
    /// Border styles of the fields.
    enum TBorderStyle { None = 0, Plain = 1, Raised = 2, Recessed = 3, Embossed = 4 };
    /// Mode indicators: bit i shows the i-th name of string 32530.
    enum TModeIndicator {
        ExtendSelection = 1,
        CapsLock = 2,
        NumLock = 4,
        ScrollLock = 8,
        Overtype = 16,
        RecordingMacro = 32,
    };

    /// A status bar in `parent` with (border style, mode-indicator mask,
    /// font, module).
    TStatusBar(TWindow* parent, TBorderStyle borderStyle = Recessed, unsigned modeIndicators = 0,
               const TGadgetWindowFont& font = TGadgetWindowFont(), TModule* module = nullptr);
    ~TStatusBar() override;

    DECLARE_EVENT_TABLE

    /// Shows `text` in the message area.
    void SetText(std::string_view text);
    /// The text of the message area.
    const std::string& GetText() const { return Text; }

    /// Whether the bar shows indicator `indicator`.
    bool HasModeIndicator(TModeIndicator indicator) const { return (ModeIndicators & indicator) != 0; }
    /// Whether indicator `indicator` is on.
    bool GetModeIndicator(TModeIndicator indicator) const { return (IndicatorsOn & indicator) != 0; }
    /// Switches indicator `indicator` on or off.
    void SetModeIndicator(TModeIndicator indicator, bool on);
    /// What indicator `indicator` shows now: its name when on, its blank when off.
    std::string GetIndicatorText(TModeIndicator indicator) const;

    /// The message area's rectangle, then one per shown indicator, in client coordinates.
    std::vector<TRect> GetFieldRects() const;
    /// The border style.
    TBorderStyle GetBorderStyle() const { return BorderStyle; }
    /// The font description.
    const TGadgetWindowFont& GetFont() const { return Font; }

    TPreProcess PreProcessMsg(const TMessage& msg) override;
    bool IdleAction(long idleCount) override;

protected:
    void PerformCreate() override;
    void EvPaint() override;

private:
    struct TIndicatorTexts {
        std::string Name;
        std::string Blank;
    };
    TIndicatorTexts IndicatorTexts(TModeIndicator indicator) const;
    void SyncWithLockKeys();

    TBorderStyle BorderStyle;
    unsigned ModeIndicators;
    unsigned IndicatorsOn = 0;
    TGadgetWindowFont Font;
    std::string Text;
};
