/*
 * glancer_dialog_win32.hpp - an optional helper for plugins on Windows: a
 * dialog template built in memory, so a plugin's settings dialog needs no
 * resource script. Positions and sizes are in dialog units; texts are ASCII.
 *
 *     glancer::DialogTemplate dialog("My settings", 200, 100);
 *     dialog.AddStatic("Host:", 0xFFFF, 7, 9, 40, 8);
 *     dialog.AddEdit(100, 50, 7, 140, 12);
 *     dialog.AddButton("OK", IDOK, 140, 80, 50, 14, BS_DEFPUSHBUTTON);
 *     DialogBoxIndirectParamA(module, dialog.Get(), owner, Procedure, state);
 *
 * Requires C++17 and windows.h.
 */
#ifndef GLANCER_DIALOG_WIN32_HPP
#define GLANCER_DIALOG_WIN32_HPP

#include <windows.h>

#include <vector>

namespace glancer {

// The module this code lives in (the plugin's DLL, not the program), for
// dialogs and window classes whose procedures the DLL owns.
inline HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

// A dialog template built in memory.
class DialogTemplate {
public:
    DialogTemplate(const char* title, short width, short height)
    {
        AddDword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
        AddDword(0);         // extended style
        words_.push_back(0); // item count, raised by each item
        for (short value : {short(0), short(0), width, height})
            words_.push_back(static_cast<WORD>(value));
        words_.push_back(0); // no menu
        words_.push_back(0); // the standard dialog class
        AddText(title);
        words_.push_back(8); // point size, then the face
        AddText("MS Shell Dlg");
    }

    void AddStatic(const char* text, WORD id, short x, short y, short width, short height, DWORD style = SS_LEFT)
    {
        AddItem(kStatic, text, id, style, x, y, width, height);
    }
    void AddEdit(WORD id, short x, short y, short width, short height, DWORD style = ES_AUTOHSCROLL)
    {
        AddItem(kEdit, "", id, style | WS_BORDER | WS_TABSTOP, x, y, width, height);
    }
    void AddButton(const char* text, WORD id, short x, short y, short width, short height, DWORD style = BS_PUSHBUTTON)
    {
        AddItem(kButton, text, id, style | WS_TABSTOP, x, y, width, height);
    }
    void AddListBox(WORD id, short x, short y, short width, short height)
    {
        AddItem(kListBox, "", id, LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, x, y, width, height);
    }

    // For DialogBoxIndirectParam; valid while this object lives unchanged.
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    // The predefined control classes by their atoms.
    enum : WORD { kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082, kListBox = 0x0083 };
    // The count of items sits after style, extended style (two DWORDs each).
    static constexpr std::size_t kItemCountWord = 4;

    void AddItem(WORD atom, const char* text, WORD id, DWORD style, short x, short y, short width, short height)
    {
        if (words_.size() % 2 != 0) // items start on a DWORD
            words_.push_back(0);
        AddDword(style | WS_CHILD | WS_VISIBLE);
        AddDword(0); // extended style
        for (short value : {x, y, width, height})
            words_.push_back(static_cast<WORD>(value));
        words_.push_back(id);
        words_.push_back(0xFFFF); // a class given by atom
        words_.push_back(atom);
        AddText(text);
        words_.push_back(0); // no creation data
        ++words_[kItemCountWord];
    }
    void AddDword(DWORD value)
    {
        words_.push_back(static_cast<WORD>(value & 0xFFFFu));
        words_.push_back(static_cast<WORD>(value >> 16));
    }
    void AddText(const char* text)
    {
        for (const char* c = text; *c != '\0'; ++c)
            words_.push_back(static_cast<WORD>(static_cast<unsigned char>(*c)));
        words_.push_back(0);
    }

    // WORDs keep the required alignment; the vector's storage is suitably
    // aligned for DWORDs as well.
    std::vector<WORD> words_;
};

} // namespace glancer

#endif /* GLANCER_DIALOG_WIN32_HPP */
