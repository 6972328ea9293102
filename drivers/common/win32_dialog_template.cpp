#include "drivers/common/win32_dialog_template.h"

namespace glancer_win32 {

namespace {

// The count of items sits after style, extended style (two DWORDs each).
constexpr std::size_t kItemCountWord = 4;

} // namespace

DialogTemplate::DialogTemplate(const char* title, short width, short height)
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

void DialogTemplate::AddStatic(const char* text, WORD id, short x, short y, short width, short height, DWORD style)
{
    AddItem(kStatic, text, id, style, x, y, width, height);
}

void DialogTemplate::AddEdit(WORD id, short x, short y, short width, short height, DWORD style)
{
    AddItem(kEdit, "", id, style | WS_BORDER | WS_TABSTOP, x, y, width, height);
}

void DialogTemplate::AddButton(const char* text, WORD id, short x, short y, short width, short height, DWORD style)
{
    AddItem(kButton, text, id, style | WS_TABSTOP, x, y, width, height);
}

void DialogTemplate::AddCombo(WORD id, short x, short y, short width, short height, DWORD style)
{
    AddItem(kComboBox, "", id, style | WS_VSCROLL | WS_TABSTOP, x, y, width, height);
}

void DialogTemplate::AddItem(WORD atom, const char* text, WORD id, DWORD style, short x, short y, short width,
                             short height)
{
    AlignToDword();
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

void DialogTemplate::AddDword(DWORD value)
{
    words_.push_back(static_cast<WORD>(value & 0xFFFFu));
    words_.push_back(static_cast<WORD>(value >> 16));
}

void DialogTemplate::AddText(const char* text)
{
    for (const char* c = text; *c != '\0'; ++c)
        words_.push_back(static_cast<WORD>(static_cast<unsigned char>(*c)));
    words_.push_back(0);
}

void DialogTemplate::AlignToDword()
{
    if (words_.size() % 2 != 0)
        words_.push_back(0);
}

} // namespace glancer_win32
