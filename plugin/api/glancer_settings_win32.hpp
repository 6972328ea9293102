/*
 * glancer_settings_win32.hpp - the Windows dialog of declared settings.
 *
 * Included by glancer_settings.hpp on Windows. The dialog is built in memory
 * (a DLGTEMPLATE), so a plugin needs no resource script: one row per
 * setting (a drop-down list for a choice, an edit field otherwise), then OK
 * and Cancel. OK stores the values when every one is taken, and otherwise
 * says which is not, in a message box, and stays open.
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

#include <string>
#include <vector>

#include "glancer_settings.hpp"

namespace glancer {
namespace detail {

// A dialog template in memory; positions and sizes in dialog units.
class DialogTemplate {
public:
    DialogTemplate(const char* title, short width, short height)
    {
        Dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
        Dword(0);            // extended style
        words_.push_back(0); // item count, raised by each item
        for (short value : {short(0), short(0), width, height})
            words_.push_back(static_cast<WORD>(value));
        words_.push_back(0); // no menu
        words_.push_back(0); // the standard dialog class
        Text(title);
        words_.push_back(8); // point size, then the face
        Text("MS Shell Dlg");
    }
    // atom: 0x80 button, 0x81 edit, 0x82 static, 0x85 combo box.
    void Add(WORD atom, const char* text, WORD id, DWORD style, short x, short y, short width, short height)
    {
        if (words_.size() % 2 != 0)
            words_.push_back(0); // items start on a DWORD
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        for (short value : {x, y, width, height})
            words_.push_back(static_cast<WORD>(value));
        words_.push_back(id);
        words_.push_back(0xFFFF); // a class given by atom
        words_.push_back(atom);
        Text(text);
        words_.push_back(0); // no creation data
        ++words_[4];
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Dword(DWORD value)
    {
        words_.push_back(static_cast<WORD>(value & 0xFFFFu));
        words_.push_back(static_cast<WORD>(value >> 16));
    }
    void Text(const char* text)
    {
        for (const char* c = text; *c != '\0'; ++c)
            words_.push_back(static_cast<WORD>(static_cast<unsigned char>(*c)));
        words_.push_back(0);
    }
    std::vector<WORD> words_; // a vector's storage is aligned for DWORDs too
};

// The module this code lives in (the plugin's DLL, not the program).
inline HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

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
    // Rows of 18 units: the question on the left, the field on the right.
    const short rows = static_cast<short>(list_.size());
    detail::DialogTemplate dialog(title, 300, static_cast<short>(18 * rows + 34));
    for (short i = 0; i < rows; ++i) {
        const short y = static_cast<short>(7 + 18 * i);
        const WORD id = static_cast<WORD>(detail::SettingsDialog::kFirstField + i);
        const std::string question = Question(static_cast<std::size_t>(i)) + ":";
        dialog.Add(0x82, question.c_str(), 0xFFFF, SS_LEFT, 7, static_cast<short>(y + 2), 150, 8);
        const Setting& s = list_[static_cast<std::size_t>(i)];
        if (*s.choices)
            dialog.Add(0x85, "", id, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 160, y, 133, 100);
        else if (s.offers != nullptr)
            dialog.Add(0x85, "", id, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 160, y, 133, 100);
        else
            dialog.Add(0x81, "", id, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 160, y, 133, 12);
    }
    const short buttons = static_cast<short>(18 * rows + 12);
    dialog.Add(0x80, "OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 189, buttons, 50, 14);
    dialog.Add(0x80, "Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 243, buttons, 50, 14);
    detail::SettingsDialog state{this, Read(), title, {}};
    for (const Setting& s : list_)
        state.offers.push_back(s.offers != nullptr ? s.offers() : std::vector<Offer>());
    // Owned by the active window of this thread (the program's dialog), so that one waits.
    DialogBoxIndirectParamA(detail::ThisModule(), dialog.Get(), GetActiveWindow(), detail::SettingsDialog::Proc,
                            reinterpret_cast<LPARAM>(&state));
    return true;
}

#endif /* GLANCER_SETTINGS_WIN32_HPP */
