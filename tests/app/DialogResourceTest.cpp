#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/DialogTemplate.h"

using namespace app;

namespace {

// A dialog template resource in the platform's binary layout (DLGTEMPLATE, then one
// DLGITEMTEMPLATE per control), read back from this program's own resources.
struct ResourceControl {
    int id = 0;
    std::string windowClass;  // predefined classes by their names
    std::string text;
    std::uint32_t style = 0;
    DialogRect rect;
};

struct ResourceDialog {
    std::uint32_t style = 0;
    std::string title;
    int fontPoints = 0;
    std::string fontFace;
    int width = 0;
    int height = 0;
    std::vector<ResourceControl> controls;
};

class TemplateReader {
public:
    explicit TemplateReader(const std::uint8_t* data) : data_(data) {}

    std::uint16_t word() {
        std::uint16_t value;
        std::memcpy(&value, data_ + at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    std::uint32_t dword() {
        const std::uint32_t low = word();
        return low | static_cast<std::uint32_t>(word()) << 16;
    }
    int shortValue() { return static_cast<std::int16_t>(word()); }
    // A NUL-terminated UTF-16 string; the templates hold only ASCII.
    std::string string() {
        std::string text;
        for (std::uint16_t c = word(); c != 0; c = word()) text += static_cast<char>(c);
        return text;
    }
    // A string, or 0xFFFF and a number (an atom of a predefined class, a resource id).
    std::string stringOrOrdinal() {
        if (peek() != 0xFFFF) return string();
        word();
        switch (const std::uint16_t ordinal = word()) {
            case 0x0080:
                return "Button";
            case 0x0081:
                return "Edit";
            case 0x0082:
                return "Static";
            default:
                return "#" + std::to_string(ordinal);
        }
    }
    void alignToDword() { at_ = (at_ + 3) & ~std::size_t{3}; }

private:
    std::uint16_t peek() const {
        std::uint16_t value;
        std::memcpy(&value, data_ + at_, sizeof value);
        return value;
    }
    const std::uint8_t* data_;
    std::size_t at_ = 0;
};

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

ResourceDialog loadDialog(const char* name) {
    HRSRC found = FindResourceA(nullptr, name, MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (!found) return {};
    TemplateReader in(static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found))));
    ResourceDialog dialog;
    dialog.style = in.dword();
    in.dword();  // extended style
    const int count = in.word();
    in.shortValue();  // x and y: placed by the system
    in.shortValue();
    dialog.width = in.shortValue();
    dialog.height = in.shortValue();
    in.stringOrOrdinal();  // menu
    in.stringOrOrdinal();  // window class
    dialog.title = in.string();
    if (dialog.style & DS_SETFONT) {
        dialog.fontPoints = in.word();
        dialog.fontFace = in.string();
    }
    for (int i = 0; i < count; ++i) {
        in.alignToDword();
        ResourceControl control;
        control.style = in.dword();
        in.dword();  // extended style
        control.rect.x = in.shortValue();
        control.rect.y = in.shortValue();
        control.rect.width = in.shortValue();
        control.rect.height = in.shortValue();
        control.id = static_cast<std::int16_t>(in.word());
        control.windowClass = in.stringOrOrdinal();
        control.text = in.stringOrOrdinal();
        const int extra = in.word();
        for (int b = 0; b < extra; b += 2) in.word();
        dialog.controls.push_back(control);
    }
    return dialog;
}

// What the shared template's kind and style bits become on the platform.
struct PlatformControl {
    std::string windowClass;
    std::uint32_t style;  // the bits of interest only
};

// 0xF: the type of a button or static.
constexpr std::uint32_t kStyleBitsOfInterest =
    WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY | 0xF;

PlatformControl expectedFor(const ControlTemplate& control) {
    const auto has = [&](std::uint32_t bit) { return (control.style & bit) != 0; };
    std::uint32_t style = 0;
    if (has(kTabStop)) style |= WS_TABSTOP;
    if (has(kBorder)) style |= WS_BORDER;
    switch (control.kind) {
        case ControlKind::StaticText:
            return {"Static", style | (has(kAlignRight) ? SS_RIGHT : SS_LEFT)};
        case ControlKind::EditBox:
            if (has(kAutoHScroll)) style |= ES_AUTOHSCROLL;
            if (has(kReadOnly)) style |= ES_READONLY;
            return {"Edit", style};
        case ControlKind::PushButton:
            return {"Button", style | (has(kDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)};
        case ControlKind::GroupBox:
            return {"Button", style | BS_GROUPBOX};
    }
    return {};
}

std::uint32_t platformDialogStyle(std::uint32_t style) {
    std::uint32_t platform = 0;
    if (style & kPopup) platform |= WS_POPUP;
    if (style & kCaption) platform |= WS_CAPTION;
    if (style & kSystemMenu) platform |= WS_SYSMENU;
    if (style & kModalFrame) platform |= DS_MODALFRAME;
    return platform;
}

void expectDialogFrame(const ResourceDialog& dialog) {
    constexpr std::uint32_t kFrameBits = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(dialog.style & kFrameBits, platformDialogStyle(kFixDialogTemplate.style));
    EXPECT_EQ(dialog.title, kFixDialogTemplate.title);
    EXPECT_EQ(dialog.fontPoints, kFixDialogTemplate.fontPoints);
    EXPECT_EQ(dialog.fontFace, kFixDialogTemplate.fontFace);
    EXPECT_EQ(dialog.width, kFixDialogTemplate.width);
    EXPECT_EQ(dialog.height, kFixDialogTemplate.height);
}

void expectControl(const ResourceControl& actual, const ControlTemplate& expected,
                   const char* text) {
    SCOPED_TRACE(text);
    const PlatformControl platform = expectedFor(expected);
    EXPECT_EQ(actual.id, expected.id);
    EXPECT_EQ(actual.windowClass, platform.windowClass);
    EXPECT_EQ(actual.text, text);
    EXPECT_EQ(actual.style & kStyleBitsOfInterest, platform.style);
    EXPECT_EQ(actual.style & (WS_CHILD | WS_VISIBLE | WS_DISABLED), WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(actual.rect.x, expected.rect.x);
    EXPECT_EQ(actual.rect.y, expected.rect.y);
    EXPECT_EQ(actual.rect.width, expected.rect.width);
    EXPECT_EQ(actual.rect.height, expected.rect.height);
}

TEST(DialogResourceTest, FixDialogMatchesTheSharedTemplateControlByControl) {
    const ResourceDialog dialog = loadDialog(kFixDialogTemplate.name);
    expectDialogFrame(dialog);
    ASSERT_EQ(dialog.controls.size(), kFixDialogTemplate.controls.size());
    for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
        const ControlTemplate& expected = kFixDialogTemplate.controls[i];
        expectControl(dialog.controls[i], expected, expected.text);
    }
}

TEST(DialogResourceTest, UpdateDialogReadsUpdateOnButtonOneAndAddsTheProgressBar) {
    const ResourceDialog dialog = loadDialog("DLG_UPDATE");
    expectDialogFrame(dialog);
    const auto& shared = kFixDialogTemplate.controls;
    ASSERT_EQ(dialog.controls.size(), shared.size() + 1);
    for (std::size_t i = 0; i < shared.size(); ++i) {
        expectControl(dialog.controls[i], shared[i],
                      shared[i].id == kIdFix ? "Update" : shared[i].text);
    }
    const ResourceControl& progress = dialog.controls.back();
    EXPECT_EQ(progress.id, 1003);
    EXPECT_EQ(lowerCase(progress.windowClass), PROGRESS_CLASSA);  // class names ignore case
    EXPECT_EQ(progress.style & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
}

}  // namespace
