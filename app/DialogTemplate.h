#pragma once

#include <cstdint>
#include <span>

namespace app {

// Control ids of the Fix dialog; the worker and the backends address controls by them.
inline constexpr int kIdFix = 1;
inline constexpr int kIdCancel = 2;  // what the Escape key sends; nothing acts on it
inline constexpr int kIdSearch = 1000;
inline constexpr int kIdTurbineId = 1001;
inline constexpr int kIdStatus = 1002;
inline constexpr int kIdOthersCount = 1004;
inline constexpr int kIdNone = -1;  // labels and the group box

enum class ControlKind { StaticText, EditBox, PushButton, GroupBox };

// Style bits a backend must honour; they mirror the platform's control styles.
enum ControlStyle : std::uint32_t {
    kStyleNone = 0,
    kAlignLeft = 1u << 0,
    kAlignRight = 1u << 1,
    kBorder = 1u << 2,
    kTabStop = 1u << 3,
    kAutoHScroll = 1u << 4,
    kReadOnly = 1u << 5,
    kDefaultButton = 1u << 6,
};

// Window style bits of the dialog itself.
enum DialogStyle : std::uint32_t {
    kPopup = 1u << 0,
    kCaption = 1u << 1,
    kSystemMenu = 1u << 2,
    kModalFrame = 1u << 3,
};

// A rectangle in dialog units: horizontal units are a quarter of the font's average
// character width, vertical units an eighth of its height.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct ControlTemplate {
    int id = kIdNone;
    ControlKind kind = ControlKind::StaticText;
    const char* text = "";
    std::uint32_t style = kStyleNone;
    DialogRect rect;
    // What screen readers (and tests) call the control; empty for labels, whose text serves.
    const char* accessibleName = "";
};

// A dialog as data, shared by every backend. Controls are listed in tab order.
struct DialogTemplate {
    const char* name = "";
    const char* title = "";
    std::uint32_t style = 0;  // DialogStyle bits
    const char* fontFace = "";
    int fontPoints = 0;
    int width = 0;
    int height = 0;
    std::span<const ControlTemplate> controls;
};

// The font metrics that turn dialog units into pixels.
struct DialogBaseUnits {
    int x = 0;  // average character width in pixels
    int y = 0;  // character height in pixels

    // Both round down, as the platform does.
    int toPixelsX(int units) const { return units * x / 4; }
    int toPixelsY(int units) const { return units * y / 8; }
};

// The platform's average character width: the width of the 52 letters, halved and
// rounded, over 26.
int averageCharWidth(int widthOfAllLetters);

extern const DialogTemplate kFixDialogTemplate;

}  // namespace app
