// The driver's settings dialog on Windows, opened from "Select driver".
#include <windows.h>

#include <commdlg.h> // needs windows.h first

#include <cstdint>
#include <string>

#include "drivers/common/win32_dialog_template.h"
#include "drivers/virtual/panel_view.h"

namespace vdisplay {
namespace {

using glancer_win32::DialogTemplate;

const char kTitle[] = "Virtual display settings";

enum : WORD {
    kXPixels = 100,
    kYPixels,
    kXChars,
    kYChars,
    kScale,
    kSnapshot,
    kLitButton = 110,
    kLitPreview,
    kUnlitButton,
    kUnlitPreview,
};

struct DialogState {
    CoreServices* services = nullptr;
    Settings settings;
    COLORREF customColours[16] = {}; // the colour chooser's own slots, for this dialog's life
};

struct NumberField {
    WORD id;
    const char* name;
    std::uint32_t max;
    std::uint32_t Settings::*member;         // a value of Settings itself, or
    std::uint32_t Geometry::*geometryMember; // one of its geometry
};

constexpr NumberField kNumbers[] = {
    {kXPixels, "Pixel width", kMaxPixels, nullptr, &Geometry::xPixels},
    {kYPixels, "Pixel height", kMaxPixels, nullptr, &Geometry::yPixels},
    {kXChars, "Text columns", kMaxChars, nullptr, &Geometry::xChars},
    {kYChars, "Text rows", kMaxChars, nullptr, &Geometry::yChars},
    {kScale, "Scale", kMaxScale, &Settings::scale, nullptr},
};

std::uint32_t& FieldOf(Settings& settings, const NumberField& field)
{
    return field.member != nullptr ? settings.*field.member : settings.geometry.*field.geometryMember;
}

COLORREF ToColorRef(std::uint32_t colour)
{
    return RGB(colour >> 16 & 0xFF, colour >> 8 & 0xFF, colour & 0xFF);
}

std::uint32_t FromColorRef(COLORREF colour)
{
    return static_cast<std::uint32_t>(GetRValue(colour)) << 16 | static_cast<std::uint32_t>(GetGValue(colour)) << 8 |
           GetBValue(colour);
}

DialogTemplate BuildTemplate()
{
    DialogTemplate dialog(kTitle, 230, 178);
    const char* labels[] = {
        "Pixel width:", "Pixel height:", "Text columns:", "Text rows:", "Scale (window pixels per panel pixel):"};
    for (int row = 0; row < 5; ++row) {
        const auto y = static_cast<short>(7 + 16 * row);
        dialog.AddStatic(labels[row], 0xFFFF, 7, static_cast<short>(y + 2), 150, 8);
        dialog.AddEdit(static_cast<WORD>(kXPixels + row), 160, y, 40, 12, ES_AUTOHSCROLL | ES_NUMBER);
    }
    dialog.AddStatic("Snapshot file, kept up to date (.png or .pbm; empty for none):", 0xFFFF, 7, 89, 216, 8);
    dialog.AddEdit(kSnapshot, 7, 99, 216, 12);
    dialog.AddButton("Lit colour...", kLitButton, 7, 119, 62, 14);
    dialog.AddStatic("", kLitPreview, 73, 119, 36, 14, SS_OWNERDRAW);
    dialog.AddButton("Unlit colour...", kUnlitButton, 120, 119, 62, 14);
    dialog.AddStatic("", kUnlitPreview, 186, 119, 36, 14, SS_OWNERDRAW);
    dialog.AddStatic("Changes take effect when Glancer next starts.", 0xFFFF, 7, 142, 216, 8);
    dialog.AddButton("OK", IDOK, 117, 157, 50, 14, BS_DEFPUSHBUTTON);
    dialog.AddButton("Cancel", IDCANCEL, 173, 157, 50, 14);
    return dialog;
}

// The preview's text is the colour as "RRGGBB"; it draws as a swatch.
void ShowColour(HWND dialog, WORD preview, std::uint32_t colour)
{
    SetDlgItemTextA(dialog, preview, FormatColour(colour).c_str());
    InvalidateRect(GetDlgItem(dialog, preview), nullptr, TRUE);
}

void DrawSwatch(const DRAWITEMSTRUCT& item)
{
    char text[16] = "";
    GetWindowTextA(item.hwndItem, text, sizeof text);
    std::uint32_t colour = 0;
    if (!ParseColour(text, colour))
        return;
    HBRUSH fill = CreateSolidBrush(ToColorRef(colour));
    FillRect(item.hDC, &item.rcItem, fill);
    DeleteObject(fill);
    FrameRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void Fill(HWND dialog, const DialogState& state)
{
    Settings settings = state.settings;
    for (const NumberField& field : kNumbers)
        SetDlgItemInt(dialog, field.id, FieldOf(settings, field), FALSE);
    SendDlgItemMessageA(dialog, kSnapshot, EM_LIMITTEXT, GLANCER_TEXT_SIZE - 1, 0);
    SetDlgItemTextA(dialog, kSnapshot, state.settings.snapshot.c_str());
    ShowColour(dialog, kLitPreview, state.settings.litColour);
    ShowColour(dialog, kUnlitPreview, state.settings.unlitColour);
}

void ChooseInto(HWND dialog, DialogState& state, std::uint32_t& colour, WORD preview)
{
    CHOOSECOLORA choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = dialog;
    choose.rgbResult = ToColorRef(colour);
    choose.lpCustColors = state.customColours;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (ChooseColorA(&choose)) {
        colour = FromColorRef(choose.rgbResult);
        ShowColour(dialog, preview, colour);
    }
}

// Digits only, no sign or spaces, within 1..max.
bool ParseNumber(const char* text, std::uint32_t max, std::uint32_t& value)
{
    std::uint64_t parsed = 0;
    if (*text == '\0')
        return false;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9')
            return false;
        parsed = parsed * 10 + static_cast<std::uint64_t>(*c - '0');
        if (parsed > max)
            return false;
    }
    if (parsed == 0)
        return false;
    value = static_cast<std::uint32_t>(parsed);
    return true;
}

bool HasSnapshotExtension(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".png" || tail == ".pbm";
}

void Refuse(HWND dialog, WORD field, const std::string& text)
{
    MessageBoxA(dialog, text.c_str(), "Invalid setting", MB_ICONEXCLAMATION | MB_OK);
    HWND control = GetDlgItem(dialog, field);
    SetFocus(control);
    SendMessageA(control, EM_SETSEL, 0, -1);
}

// Reads every field into `settings`; on the first bad one says why and
// gives false, leaving the dialog open at that field.
bool Collect(HWND dialog, Settings& settings)
{
    char text[GLANCER_TEXT_SIZE] = "";
    for (const NumberField& field : kNumbers) {
        GetDlgItemTextA(dialog, field.id, text, sizeof text);
        if (!ParseNumber(text, field.max, FieldOf(settings, field))) {
            Refuse(dialog, field.id,
                   std::string(field.name) + " must be a whole number from 1 to " + std::to_string(field.max) + ".");
            return false;
        }
    }
    GetDlgItemTextA(dialog, kSnapshot, text, sizeof text);
    settings.snapshot = text;
    if (!settings.snapshot.empty() && !HasSnapshotExtension(settings.snapshot)) {
        Refuse(dialog, kSnapshot, "The snapshot file must end in .png or .pbm, or be left empty.");
        return false;
    }
    return true;
}

INT_PTR HandleCommand(HWND dialog, DialogState& state, WORD id)
{
    switch (id) {
    case IDOK: {
        // Read afresh so that what changed meanwhile (the window position) is kept.
        Settings settings = ReadSettings(state.services);
        if (!Collect(dialog, settings))
            return TRUE;
        settings.litColour = state.settings.litColour;
        settings.unlitColour = state.settings.unlitColour;
        WriteSettings(state.services, settings);
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case kLitButton:
        ChooseInto(dialog, state, state.settings.litColour, kLitPreview);
        return TRUE;
    case kUnlitButton:
        ChooseInto(dialog, state, state.settings.unlitColour, kUnlitPreview);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            Fill(dialog, *reinterpret_cast<DialogState*>(lParam));
            return TRUE;
        }
        auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (state == nullptr)
            return FALSE;
        if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED)
            return HandleCommand(dialog, *state, LOWORD(wParam));
        if (message == WM_DRAWITEM) {
            DrawSwatch(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
    } catch (...) {
    }
    return FALSE;
}

} // namespace

std::uint32_t RunConfigureDialog(CoreServices* services)
{
    try {
        const DialogTemplate dialog = BuildTemplate();
        DialogState state;
        state.services = services;
        state.settings = ReadSettings(services);
        // Owned by whatever window of this thread is active (the driver
        // dialog), so that one waits for this one.
        DialogBoxIndirectParamA(glancer_win32::ThisModule(), dialog.Get(), GetActiveWindow(), DialogProc,
                                reinterpret_cast<LPARAM>(&state));
    } catch (...) {
    }
    return 0;
}

} // namespace vdisplay
