#include "app/DialogTemplate.h"

#include <array>

namespace app {

int averageCharWidth(int widthOfAllLetters) { return (widthOfAllLetters / 26 + 1) / 2; }

namespace {

// In tab order. Positions are x, y, width, height in dialog units.
// clang-format off
constexpr std::array<ControlTemplate, 9> kFixControls{{
    {kIdNone,        ControlKind::StaticText, "Turbine ID",   kAlignLeft,                 {13, 11, 34, 8},   ""},
    {kIdTurbineId,   ControlKind::EditBox,    "",             kBorder | kTabStop | kAutoHScroll,
                                                                                          {12, 22, 97, 14},  "Turbine ID"},
    {kIdSearch,      ControlKind::PushButton, "Search",       kDefaultButton | kTabStop,  {114, 22, 31, 14}, "Search"},
    {kIdNone,        ControlKind::StaticText, "Others found", kAlignLeft,                 {56, 40, 42, 8},   ""},
    {kIdOthersCount, ControlKind::StaticText, "0",            kAlignRight,                {98, 40, 9, 8},    "Others found"},
    {kIdFix,         ControlKind::PushButton, "Fix",          kTabStop,                   {54, 63, 50, 14},  "Fix"},
    {kIdNone,        ControlKind::GroupBox,   "",             kStyleNone,                 {7, 3, 145, 52},   ""},
    {kIdNone,        ControlKind::StaticText, "Status",       kAlignLeft,                 {7, 79, 21, 8},    ""},
    {kIdStatus,      ControlKind::EditBox,    "",             kBorder | kTabStop | kReadOnly | kAutoHScroll,
                                                                                          {7, 90, 145, 12},  "Status"},
}};
// clang-format on

}  // namespace

const DialogTemplate kFixDialogTemplate{
    .name = "DLG_FIX",
    .title = "Qor Inverter Comm Fix",
    .style = kPopup | kCaption | kSystemMenu | kModalFrame,
    .fontFace = "MS Sans Serif",
    .fontPoints = 8,
    .width = 159,
    .height = 110,
    .controls = kFixControls,
};

}  // namespace app
