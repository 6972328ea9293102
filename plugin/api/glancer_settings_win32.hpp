/*
 * glancer_settings_win32.hpp - dialogs built in memory on Windows, and the
 * dialog of declared settings.
 *
 * Included by glancer_settings.hpp on Windows. glancer::DialogTemplate lays
 * out a dialog in memory (a DLGTEMPLATE), so a plugin needs no resource
 * script:
 *
 *     glancer::DialogTemplate dialog("Example", 200, 80);
 *     dialog.AddStatic("Name:", glancer::DialogTemplate::kNoId, 7, 9, 50, 8);
 *     dialog.AddEdit(100, 60, 7, 133, 12);
 *     dialog.AddButton("OK", IDOK, 89, 59, 50, 14, BS_DEFPUSHBUTTON);
 *     dialog.AddButton("Cancel", IDCANCEL, 143, 59, 50, 14);
 *     dialog.Show(GetActiveWindow(), Proc, reinterpret_cast<LPARAM>(&state));
 *
 * Positions and sizes are in dialog units; texts are in the ANSI code page.
 * The dialog procedure is a C callback: it must catch whatever it throws.
 *
 * The dialog of declared settings is one built so: one row per setting (a
 * drop-down list for a choice, an edit field otherwise), then OK and
 * Cancel. A long prompt wraps onto as many lines as it needs. OK stores
 * the values when every one is taken, and otherwise says which is not, in a
 * message box, and stays open.
 */
#ifndef GLANCER_SETTINGS_WIN32_HPP
#define GLANCER_SETTINGS_WIN32_HPP

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "glancer_settings.hpp"

namespace glancer {

// The module this code lives in (the plugin's DLL, not the program), which
// owns its dialog procedures and window classes.
inline HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

// A modal dialog's template, built in memory. Adding may throw
// std::bad_alloc, as any container does; a plugin's entry points catch it.
class DialogTemplate {
public:
    static constexpr WORD kNoId = 0xFFFF; // for controls nobody asks for, such as labels
    static constexpr short kPointSize = 8;

    DialogTemplate(const char* title, short width, short height,
                   DWORD style = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU)
    {
        Dword(style | DS_SETFONT);
        Dword(0);            // extended style
        words_.push_back(0); // item count, raised by each item
        Words({0, 0, Word(width), Word(height)});
        words_.push_back(0); // no menu
        words_.push_back(0); // the standard dialog class
        Text(title);
        words_.push_back(Word(kPointSize)); // then the face
        Text(kFace);
    }

    // The dialog's size, for a layout that learns its height as it goes.
    void Resize(short width, short height)
    {
        words_[kSizeWord] = Word(width);
        words_[kSizeWord + 1] = Word(height);
    }

    // Any window class by name: "SysListView32" (WC_LISTVIEWA) gives a list
    // view, once InitCommonControlsEx has registered it in this process.
    void AddControl(const char* windowClass, const char* text, WORD id, DWORD style, short x, short y, short width,
                    short height)
    {
        Item(style, x, y, width, height, id);
        Text(windowClass);
        Text(text);
        words_.push_back(0); // no creation data
    }
    void AddStatic(const char* text, WORD id, short x, short y, short width, short height, DWORD style = SS_LEFT)
    {
        Predefined(kStatic, text, id, style, x, y, width, height);
    }
    void AddEdit(WORD id, short x, short y, short width, short height, DWORD style = ES_AUTOHSCROLL)
    {
        Predefined(kEdit, "", id, style | WS_BORDER | WS_TABSTOP, x, y, width, height);
    }
    void AddButton(const char* text, WORD id, short x, short y, short width, short height, DWORD style = BS_PUSHBUTTON)
    {
        Predefined(kButton, text, id, style | WS_TABSTOP, x, y, width, height);
    }
    // `height` includes the dropped-down list.
    void AddCombo(WORD id, short x, short y, short width, short height, DWORD style = CBS_DROPDOWNLIST)
    {
        Predefined(kComboBox, "", id, style | WS_VSCROLL | WS_TABSTOP, x, y, width, height);
    }
    void AddListBox(WORD id, short x, short y, short width, short height, DWORD style = LBS_NOTIFY)
    {
        Predefined(kListBox, "", id, style | WS_BORDER | WS_VSCROLL | WS_TABSTOP, x, y, width, height);
    }

    // The height, in dialog units, that a static control `width` units wide
    // needs to show `text` whole in these dialogs' font, its words wrapped.
    static short TextHeight(const char* text, short width)
    {
        const short measured = MeasuredHeight(text, width);
        return measured > 0 ? measured : EstimatedHeight(text, width);
    }

    // For DialogBoxIndirectParam; valid while this object lives unchanged.
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

    // Runs the dialog, owned by `owner` (which waits), with `proc` as its
    // procedure; what EndDialog gave, or -1 when it could not be shown.
    INT_PTR Show(HWND owner, DLGPROC proc, LPARAM parameter) const
    {
        return DialogBoxIndirectParamA(ThisModule(), Get(), owner, proc, parameter);
    }

private:
    // The predefined control classes by their atoms.
    enum : WORD { kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082, kListBox = 0x0083, kComboBox = 0x0085 };
    // Where the header keeps the item count and the size (after style and
    // extended style, two words each; the size after x and y).
    static constexpr std::size_t kCountWord = 4;
    static constexpr std::size_t kSizeWord = 7;
    static constexpr const char* kFace = "MS Shell Dlg";

    static WORD Word(short value) { return static_cast<WORD>(value); }

    void Item(DWORD style, short x, short y, short width, short height, WORD id)
    {
        if (words_.size() % 2 != 0)
            words_.push_back(0); // items start on a DWORD
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0); // extended style
        Words({Word(x), Word(y), Word(width), Word(height), id});
        ++words_[kCountWord];
    }
    void Predefined(WORD atom, const char* text, WORD id, DWORD style, short x, short y, short width, short height)
    {
        Item(style, x, y, width, height, id);
        Words({0xFFFF, atom}); // a class given by atom
        Text(text);
        words_.push_back(0); // no creation data
    }
    // One by one: GCC 12 wrongly warns of an overflow in a block insert here.
    void Words(std::initializer_list<WORD> values)
    {
        for (WORD value : values)
            words_.push_back(value);
    }
    void Dword(DWORD value)
    {
        words_.push_back(static_cast<WORD>(value & 0xFFFFu));
        words_.push_back(static_cast<WORD>(value >> 16));
    }
    // The text in UTF-16, as a template holds it; byte by byte should the
    // code page refuse it.
    void Text(const char* text)
    {
        const int length = static_cast<int>(std::strlen(text));
        const int count = length == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(count > 0 ? count : 0), L'\0');
        if (count > 0 && MultiByteToWideChar(CP_ACP, 0, text, length, &wide[0], count) == count) {
            for (wchar_t c : wide)
                words_.push_back(static_cast<WORD>(c));
        } else {
            for (const char* c = text; *c != '\0'; ++c)
                words_.push_back(static_cast<WORD>(static_cast<unsigned char>(*c)));
        }
        words_.push_back(0);
    }

    // Measured as the dialog manager lays out: the font at its point size,
    // dialog units from its average letter width and its height. 0 when
    // there is no screen to measure on.
    static short MeasuredHeight(const char* text, short width)
    {
        HDC screen = GetDC(nullptr);
        if (screen == nullptr)
            return 0;
        short height = 0;
        const int pixelsHigh = -MulDiv(kPointSize, GetDeviceCaps(screen, LOGPIXELSY), 72);
        HFONT font = CreateFontA(pixelsHigh, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, kFace);
        if (font != nullptr) {
            HGDIOBJ previous = SelectObject(screen, font);
            static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
            TEXTMETRICA metrics{};
            SIZE letters{};
            if (GetTextMetricsA(screen, &metrics) && metrics.tmHeight > 0 &&
                GetTextExtentPoint32A(screen, kLetters, 52, &letters) && letters.cx > 0) {
                const int unitX = (letters.cx / 26 + 1) / 2; // average width, rounded
                RECT box{0, 0, MulDiv(width, unitX, 4), 0};
                const int pixels =
                    DrawTextA(screen, text, -1, &box, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
                if (pixels > 0) // rounded up, so the control is never a pixel short
                    height = static_cast<short>((pixels * 8 + metrics.tmHeight - 1) / metrics.tmHeight);
            }
            SelectObject(screen, previous);
            DeleteObject(font);
        }
        ReleaseDC(nullptr, screen);
        return height;
    }
    // Without a screen: lines of width / 4 average letters (a dialog unit is
    // a quarter of one), one spare for where words break, 8 units each.
    static short EstimatedHeight(const char* text, short width)
    {
        const std::size_t perLine = width >= 8 ? static_cast<std::size_t>(width / 4) : 2;
        const std::size_t length = std::strlen(text);
        const std::size_t lines = length <= perLine ? 1 : length / perLine + 2;
        return static_cast<short>(8 * (lines > 50 ? 50 : lines));
    }

    std::vector<WORD> words_; // a vector's storage is aligned for DWORDs too
};

namespace detail {

struct SettingsDialog {
    static constexpr WORD kFirstField = 100;
    const DeclaredSettings* declared;
    SettingValues values;
    const char* title;
    std::vector<std::vector<Offer>> offers; // per setting: what its drop-down lists

    // "COM5  (USB Monitor)": how an offer shows in its drop-down.
    static std::string Label(const Offer& offer)
    {
        return offer.note.empty() ? offer.value : offer.value + "  (" + offer.note + ")";
    }

    void Fill(HWND dialog) const
    {
        const std::vector<Setting>& list = declared->List();
        for (std::size_t i = 0; i < list.size(); ++i) {
            const WORD id = static_cast<WORD>(kFirstField + i);
            const std::string shown = declared->Shown(values, i);
            if (!*list[i].choices) {
                for (const Offer& offer : offers[i])
                    SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Label(offer).c_str()));
                SetDlgItemTextA(dialog, id, shown.c_str());
                continue;
            }
            for (const std::string& word : DeclaredSettings::Words(list[i]))
                SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(word.c_str()));
            // Exactly: selecting by prefix would take "auto" for "A".
            const LRESULT at = SendDlgItemMessageA(dialog, id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                   reinterpret_cast<LPARAM>(shown.c_str()));
            SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
        }
    }

    // Takes every field; false (after a message box) at the first refused.
    bool Take(HWND dialog)
    {
        for (std::size_t i = 0; i < declared->List().size(); ++i) {
            char text[GLANCER_TEXT_SIZE] = "";
            GetDlgItemTextA(dialog, static_cast<int>(kFirstField + i), text, sizeof text);
            std::string answer = text;
            for (const Offer& offer : offers[i])
                if (answer == Label(offer))
                    answer = offer.value;
            const std::string problem = declared->Take(values, i, answer);
            if (!problem.empty()) {
                const std::string message = declared->Question(i) + ": " + problem + ".";
                MessageBoxA(dialog, message.c_str(), "Invalid setting", MB_ICONEXCLAMATION | MB_OK);
                SetFocus(GetDlgItem(dialog, static_cast<int>(kFirstField + i)));
                return false;
            }
        }
        return true;
    }

    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
    {
        try {
            if (message == WM_INITDIALOG) {
                SetWindowLongPtrA(dialog, DWLP_USER, lParam);
                reinterpret_cast<SettingsDialog*>(lParam)->Fill(dialog);
                return TRUE;
            }
            auto* self = reinterpret_cast<SettingsDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
            if (message != WM_COMMAND || self == nullptr)
                return FALSE;
            if (LOWORD(wParam) == IDOK && self->Take(dialog)) {
                self->declared->Write(self->values);
                EndDialog(dialog, IDOK);
            } else if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
            }
            return TRUE;
        } catch (...) {
            return FALSE;
        }
    }
};

} // namespace detail
} // namespace glancer

inline bool glancer::DeclaredSettings::Configure(const char* title) const
{
    // A row per setting: the question on the left, wrapped onto as many
    // lines as it needs, the field on the right; rows of one line are 18 units.
    constexpr short kWidth = 300;
    constexpr short kPromptWidth = 150;
    DialogTemplate dialog(title, kWidth, 0);
    short y = 7;
    for (std::size_t i = 0; i < list_.size(); ++i) {
        const WORD id = static_cast<WORD>(detail::SettingsDialog::kFirstField + i);
        const std::string question = Question(i) + ":";
        const short lines = std::max<short>(8, DialogTemplate::TextHeight(question.c_str(), kPromptWidth));
        dialog.AddStatic(question.c_str(), DialogTemplate::kNoId, 7, static_cast<short>(y + 2), kPromptWidth, lines);
        const Setting& s = list_[i];
        if (*s.choices)
            dialog.AddCombo(id, 160, y, 133, 100, CBS_DROPDOWNLIST);
        else if (s.offers != nullptr)
            dialog.AddCombo(id, 160, y, 133, 100, CBS_DROPDOWN | CBS_AUTOHSCROLL);
        else
            dialog.AddEdit(id, 160, y, 133, 12);
        y = static_cast<short>(y + std::max<short>(18, static_cast<short>(lines + 10)));
    }
    const short buttons = static_cast<short>(y + 5);
    dialog.AddButton("OK", IDOK, 189, buttons, 50, 14, BS_DEFPUSHBUTTON);
    dialog.AddButton("Cancel", IDCANCEL, 243, buttons, 50, 14);
    dialog.Resize(kWidth, static_cast<short>(buttons + 22));
    detail::SettingsDialog state{this, Read(), title, {}};
    for (const Setting& s : list_)
        state.offers.push_back(s.offers != nullptr ? s.offers() : std::vector<Offer>());
    // Owned by the active window of this thread (the program's dialog), so that one waits.
    dialog.Show(GetActiveWindow(), detail::SettingsDialog::Proc, reinterpret_cast<LPARAM>(&state));
    return true;
}

#endif /* GLANCER_SETTINGS_WIN32_HPP */
