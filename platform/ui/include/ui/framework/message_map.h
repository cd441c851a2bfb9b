// Message maps: each class's static table of the messages and commands it
// handles, chained to its base class's table.
//
//   class CMyView : public CView {
//       ...
//       afx_msg void OnSize(UINT type, int cx, int cy);
//       afx_msg void OnCopy();
//       DECLARE_MESSAGE_MAP()
//   };
//   BEGIN_MESSAGE_MAP(CMyView, CView)
//       ON_WM_SIZE()
//       ON_COMMAND(ID_EDIT_COPY, &CMyView::OnCopy)
//   END_MESSAGE_MAP()
//
// Handlers are named by pointer to member. Each entry holds a small
// function made for that handler, which cracks the message's parameters as
// the framework does (WM_SIZE: type, width, height; a window argument is
// CWnd::FromHandle of the handle; a point is built from the lParam's x and
// y) and converts the handler's result to an LRESULT. A handler's argument
// types decide the conversion, so types of other parts of the layer (CDC*,
// CPoint, CREATESTRUCT*) plug in without this header knowing them.
//
// CWnd::WindowProc searches the most derived table first, then the bases',
// so a derived class replaces its base's entry; a search is linear in the
// entries of the chain.
#pragma once

#include "ui/window_types.h"
#include "ui/window_messages.h"  // WM_COMMAND, WM_NOTIFY of the entry macros

#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

class CCmdTarget;
class CCmdUI;
class CWnd;
struct NMHDR;

#ifndef afx_msg
#define afx_msg
#endif

// The codes of a routed command (CCmdTarget::OnCmdMsg).
#define CN_COMMAND 0
#define CN_UPDATE_COMMAND_UI (-1)
// A WM_NOTIFY routed as a command: nCode is MAKELONG(code, WM_NOTIFY) and
// pExtra an AFX_NOTIFY.
struct AFX_NOTIFY {
    LRESULT* pResult;
    NMHDR* pNMHDR;
};

namespace ui::detail {

// One message or command as a handler's function sees it.
struct MessageCall {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    UINT id;       // commands and notifications: the command or control id
    void* extra;   // CN_UPDATE_COMMAND_UI: the CCmdUI; WM_NOTIFY: the AFX_NOTIFY
    BOOL handled;  // set FALSE by an _EX handler that lets routing go on
};

using MessageThunk = LRESULT (*)(CCmdTarget* target, MessageCall& call);

}  // namespace ui::detail

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;             // the message; WM_COMMAND / WM_NOTIFY for commands and notifications
    UINT nCode;                // the command code (CN_COMMAND, CN_UPDATE_COMMAND_UI, a control's code)
    UINT nID;                  // the first command or control id
    UINT nLastID;              // the last one of a range
    const UINT* pnRegistered;  // ON_REGISTERED_MESSAGE: where the registered id is kept
    ui::detail::MessageThunk pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;  // ends with an entry whose pfn is null
};

// The entry of a window message in `map`'s chain, or null. Registered
// messages are matched through their kept ids.
const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, UINT message);
// The entry of command `id` with `code` (CN_COMMAND, CN_UPDATE_COMMAND_UI or
// a control's WM_COMMAND code) or of a WM_NOTIFY `code` from control `id`.
const AFX_MSGMAP_ENTRY* AfxFindCommandEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id);

namespace ui::detail {

template <class T>
struct MemberTraits;
template <class R, class C, class... A>
struct MemberTraits<R (C::*)(A...)> {
    using Result = R;
    using Class = C;
    template <std::size_t i>
    using Arg = std::tuple_element_t<i, std::tuple<A...>>;
    static constexpr std::size_t arity = sizeof...(A);
};

// The handle a message carries, as the handler's argument type `T`: the
// handle itself, the framework object of the handle (T::FromHandle), a
// pointer, or a number.
template <class T, class Handle>
T Convert(UINT_PTR raw) {
    if constexpr (std::is_same_v<T, Handle>) {
        return reinterpret_cast<Handle>(raw);
    } else if constexpr (std::is_pointer_v<T> &&
                         requires { std::remove_pointer_t<T>::FromHandle(reinterpret_cast<Handle>(raw)); }) {
        return std::remove_pointer_t<T>::FromHandle(reinterpret_cast<Handle>(raw));
    } else if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<T>(raw);
    } else {
        return static_cast<T>(raw);
    }
}

// A point argument from an lParam's signed x (low word) and y (high word).
template <class T>
T PointFrom(LPARAM lParam) {
    auto x = static_cast<LONG>(static_cast<short>(LOWORD(static_cast<DWORD>(lParam))));
    auto y = static_cast<LONG>(static_cast<short>(HIWORD(static_cast<DWORD>(lParam))));
    if constexpr (std::is_constructible_v<T, int, int>)
        return T(x, y);
    else
        return T{x, y};
}

template <class R>
LRESULT ResultOf(R result) {
    if constexpr (std::is_pointer_v<R>)
        return reinterpret_cast<LRESULT>(result);
    else
        return static_cast<LRESULT>(result);
}

// Calls `pmf` on the target with `args` and converts the result.
template <auto Pmf, class... A>
LRESULT Invoke(CCmdTarget* target, A&&... args) {
    using Traits = MemberTraits<decltype(Pmf)>;
    auto* object = static_cast<typename Traits::Class*>(target);
    if constexpr (std::is_void_v<typename Traits::Result>) {
        (object->*Pmf)(std::forward<A>(args)...);
        return 0;
    } else {
        return ResultOf((object->*Pmf)(std::forward<A>(args)...));
    }
}

// ON_COMMAND: void f(); ON_COMMAND_RANGE: void f(UINT id); ON_COMMAND_EX:
// BOOL f(UINT id) (FALSE: not handled, routing goes on).
template <auto Pmf>
LRESULT CommandThunk(CCmdTarget* target, MessageCall& call) {
    using Traits = MemberTraits<decltype(Pmf)>;
    if constexpr (Traits::arity == 0) {
        Invoke<Pmf>(target);
    } else if constexpr (std::is_void_v<typename Traits::Result>) {
        Invoke<Pmf>(target, call.id);
    } else {
        call.handled = Invoke<Pmf>(target, call.id) != 0;
    }
    return 0;
}

// ON_UPDATE_COMMAND_UI(_RANGE): void f(CCmdUI*).
template <auto Pmf>
LRESULT UpdateThunk(CCmdTarget* target, MessageCall& call) {
    return Invoke<Pmf>(target, static_cast<CCmdUI*>(call.extra));
}

// ON_NOTIFY: void f(NMHDR*, LRESULT*); ON_NOTIFY_RANGE: void f(UINT id,
// NMHDR*, LRESULT*); ON_NOTIFY_EX: BOOL f(UINT id, NMHDR*, LRESULT*).
template <auto Pmf>
LRESULT NotifyThunk(CCmdTarget* target, MessageCall& call) {
    using Traits = MemberTraits<decltype(Pmf)>;
    auto* notify = static_cast<AFX_NOTIFY*>(call.extra);
    if constexpr (Traits::arity == 2) {
        Invoke<Pmf>(target, notify->pNMHDR, notify->pResult);
    } else if constexpr (std::is_void_v<typename Traits::Result>) {
        Invoke<Pmf>(target, call.id, notify->pNMHDR, notify->pResult);
    } else {
        call.handled = Invoke<Pmf>(target, call.id, notify->pNMHDR, notify->pResult) != 0;
    }
    return 0;
}

// ON_MESSAGE, ON_REGISTERED_MESSAGE: LRESULT f(WPARAM, LPARAM).
template <auto Pmf>
LRESULT RawThunk(CCmdTarget* target, MessageCall& call) {
    return Invoke<Pmf>(target, call.wParam, call.lParam);
}

// ON_WM_...: the parameters cracked as the framework cracks that message.
template <UINT Message, auto Pmf>
LRESULT CrackedThunk(CCmdTarget* target, MessageCall& call) {
    using Traits = MemberTraits<decltype(Pmf)>;
    const WPARAM w = call.wParam;
    const LPARAM l = call.lParam;
    const auto low = static_cast<UINT>(LOWORD(static_cast<DWORD>(l)));
    const auto high = static_cast<UINT>(HIWORD(static_cast<DWORD>(l)));
    if constexpr (Traits::arity == 0) {
        // WM_DESTROY, WM_PAINT, WM_CLOSE, WM_NCDESTROY, WM_DRAWCLIPBOARD, ...
        return Invoke<Pmf>(target);
    } else if constexpr (Message == 0x0001) {  // WM_CREATE: int f(CREATESTRUCT*)
        return Invoke<Pmf>(target, Convert<typename Traits::template Arg<0>, void*>(static_cast<UINT_PTR>(l)));
    } else if constexpr (Message == 0x0003) {  // WM_MOVE: void f(int x, int y)
        return Invoke<Pmf>(target, static_cast<int>(static_cast<short>(low)),
                           static_cast<int>(static_cast<short>(high)));
    } else if constexpr (Message == 0x0005) {  // WM_SIZE: void f(UINT type, int cx, int cy)
        return Invoke<Pmf>(target, static_cast<UINT>(w), static_cast<int>(low), static_cast<int>(high));
    } else if constexpr (Message == 0x0006) {  // WM_ACTIVATE: void f(UINT state, CWnd* other, BOOL minimized)
        return Invoke<Pmf>(target, static_cast<UINT>(LOWORD(static_cast<DWORD>(w))),
                           Convert<typename Traits::template Arg<1>, HWND>(static_cast<UINT_PTR>(l)),
                           static_cast<BOOL>(HIWORD(static_cast<DWORD>(w))));
    } else if constexpr (Message == 0x0007 || Message == 0x0008 || Message == 0x0215) {
        // WM_SETFOCUS, WM_KILLFOCUS: void f(CWnd* other); WM_CAPTURECHANGED: void f(CWnd*)
        UINT_PTR raw = Message == 0x0215 ? static_cast<UINT_PTR>(l) : w;
        return Invoke<Pmf>(target, Convert<typename Traits::template Arg<0>, HWND>(raw));
    } else if constexpr (Message == 0x0014) {  // WM_ERASEBKGND: BOOL f(CDC*)
        return Invoke<Pmf>(target, Convert<typename Traits::template Arg<0>, HDC>(w));
    } else if constexpr (Message == 0x0018) {  // WM_SHOWWINDOW: void f(BOOL show, UINT status)
        return Invoke<Pmf>(target, static_cast<BOOL>(w), static_cast<UINT>(l));
    } else if constexpr (Message == 0x0021) {  // WM_MOUSEACTIVATE: int f(CWnd* top, UINT hitTest, UINT message)
        return Invoke<Pmf>(target, Convert<typename Traits::template Arg<0>, HWND>(w), low, high);
    } else if constexpr (Message == 0x002B || Message == 0x002C) {
        // WM_DRAWITEM / WM_MEASUREITEM: void f(int controlId, DRAWITEMSTRUCT* / MEASUREITEMSTRUCT*)
        return Invoke<Pmf>(target, static_cast<int>(w),
                           Convert<typename Traits::template Arg<1>, void*>(static_cast<UINT_PTR>(l)));
    } else if constexpr (Message == 0x004A) {  // WM_COPYDATA: BOOL f(CWnd* sender, COPYDATASTRUCT*)
        return Invoke<Pmf>(target, Convert<typename Traits::template Arg<0>, HWND>(w),
                           Convert<typename Traits::template Arg<1>, void*>(static_cast<UINT_PTR>(l)));
    } else if constexpr (Message == 0x007B) {  // WM_CONTEXTMENU: void f(CWnd* window, CPoint screenPoint)
        return Invoke<Pmf>(target, Convert<typename Traits::template Arg<0>, HWND>(w),
                           PointFrom<typename Traits::template Arg<1>>(l));
    } else if constexpr (Message == 0x007D) {  // WM_STYLECHANGED: void f(int which, STYLESTRUCT*)
        return Invoke<Pmf>(target, static_cast<int>(w),
                           Convert<typename Traits::template Arg<1>, void*>(static_cast<UINT_PTR>(l)));
    } else if constexpr (Message == 0x0100 || Message == 0x0101 || Message == 0x0102) {
        // WM_KEYDOWN, WM_KEYUP, WM_CHAR: void f(UINT key, UINT repeat, UINT flags)
        return Invoke<Pmf>(target, static_cast<UINT>(w), low, high);
    } else if constexpr (Message == 0x0113) {  // WM_TIMER: void f(UINT_PTR id)
        return Invoke<Pmf>(target, static_cast<UINT_PTR>(w));
    } else if constexpr (Message == 0x0117) {  // WM_INITMENUPOPUP: void f(CMenu* or HMENU, UINT index, BOOL system)
        return Invoke<Pmf>(target, Convert<typename Traits::template Arg<0>, HMENU>(w), low, static_cast<BOOL>(high));
    } else if constexpr (Message >= 0x0132 && Message <= 0x0138) {
        // WM_CTLCOLOR...: HBRUSH f(CDC*, CWnd* control, UINT kind), kind 0 (message box) to 6 (static)
        return Invoke<Pmf>(target, Convert<typename Traits::template Arg<0>, HDC>(w),
                           Convert<typename Traits::template Arg<1>, HWND>(static_cast<UINT_PTR>(l)),
                           static_cast<UINT>(Message - 0x0132));
    } else if constexpr (Message == 0x020A) {  // WM_MOUSEWHEEL: BOOL f(UINT keys, short delta, CPoint screenPoint)
        return Invoke<Pmf>(target, static_cast<UINT>(LOWORD(static_cast<DWORD>(w))),
                           static_cast<short>(HIWORD(static_cast<DWORD>(w))),
                           PointFrom<typename Traits::template Arg<2>>(l));
    } else if constexpr (Message >= 0x0200 && Message <= 0x0209) {
        // WM_MOUSEMOVE and the button messages: void f(UINT keys, CPoint clientPoint)
        return Invoke<Pmf>(target, static_cast<UINT>(w), PointFrom<typename Traits::template Arg<1>>(l));
    } else if constexpr (Message == 0x0210) {  // WM_PARENTNOTIFY: void f(UINT event, LPARAM)
        return Invoke<Pmf>(target, static_cast<UINT>(w), l);
    } else if constexpr (Message == 0x0233) {  // WM_DROPFILES: void f(HDROP)
        return Invoke<Pmf>(target, Convert<typename Traits::template Arg<0>, void*>(w));
    } else if constexpr (Message == 0x030D) {  // WM_CHANGECBCHAIN: void f(HWND removed, HWND after)
        return Invoke<Pmf>(target, reinterpret_cast<HWND>(w), reinterpret_cast<HWND>(l));
    } else {
        static_assert(Message == 0xFFFFFFFF, "no cracker for this message: use ON_MESSAGE");
        return 0;
    }
}

}  // namespace ui::detail

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
        typedef theClass ThisClass;                                                   \
        typedef baseClass TheBaseClass;                                               \
        (void)sizeof(ThisClass*);                                                     \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {
#define END_MESSAGE_MAP()                                                                        \
    { 0, 0, 0, 0, nullptr, nullptr }                                                             \
    }                                                                                            \
    ;                                                                                            \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]}; \
    return &messageMap;                                                                          \
    }

// Commands (WM_COMMAND from menus, tool bars, accelerators).
#define ON_COMMAND(id, memberFxn) \
    {WM_COMMAND,                  \
     CN_COMMAND,                  \
     static_cast<UINT>(id),       \
     static_cast<UINT>(id),       \
     nullptr,                     \
     &::ui::detail::CommandThunk<memberFxn>},
#define ON_COMMAND_EX(id, memberFxn) ON_COMMAND(id, memberFxn)
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
    {WM_COMMAND,                                \
     CN_COMMAND,                                \
     static_cast<UINT>(id),                     \
     static_cast<UINT>(idLast),                 \
     nullptr,                                   \
     &::ui::detail::CommandThunk<memberFxn>},
#define ON_COMMAND_EX_RANGE(id, idLast, memberFxn) ON_COMMAND_RANGE(id, idLast, memberFxn)
#define ON_UPDATE_COMMAND_UI(id, memberFxn)                                                             \
    {WM_COMMAND, static_cast<UINT>(CN_UPDATE_COMMAND_UI), static_cast<UINT>(id), static_cast<UINT>(id), \
     nullptr,    &::ui::detail::UpdateThunk<memberFxn>},
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn)                                                   \
    {WM_COMMAND, static_cast<UINT>(CN_UPDATE_COMMAND_UI), static_cast<UINT>(id), static_cast<UINT>(idLast), \
     nullptr,    &::ui::detail::UpdateThunk<memberFxn>},
// A control's WM_COMMAND notification (BN_CLICKED, EN_CHANGE, ...): void f().
#define ON_CONTROL(code, id, memberFxn) \
    {WM_COMMAND,                        \
     static_cast<UINT>(code),           \
     static_cast<UINT>(id),             \
     static_cast<UINT>(id),             \
     nullptr,                           \
     &::ui::detail::CommandThunk<memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)

// WM_NOTIFY from a child control.
#define ON_NOTIFY(code, id, memberFxn) \
    {WM_NOTIFY,                        \
     static_cast<UINT>(code),          \
     static_cast<UINT>(id),            \
     static_cast<UINT>(id),            \
     nullptr,                          \
     &::ui::detail::NotifyThunk<memberFxn>},
#define ON_NOTIFY_RANGE(code, id, idLast, memberFxn) \
    {WM_NOTIFY,                                      \
     static_cast<UINT>(code),                        \
     static_cast<UINT>(id),                          \
     static_cast<UINT>(idLast),                      \
     nullptr,                                        \
     &::ui::detail::NotifyThunk<memberFxn>},
#define ON_NOTIFY_EX(code, id, memberFxn) ON_NOTIFY_RANGE(code, id, id, memberFxn)
#define ON_NOTIFY_EX_RANGE(code, id, idLast, memberFxn) ON_NOTIFY_RANGE(code, id, idLast, memberFxn)

// Any message with its raw parameters: LRESULT f(WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn) \
    {static_cast<UINT>(message), 0, 0, 0, nullptr, &::ui::detail::RawThunk<memberFxn>},
// A message registered at run time (RegisterWindowMessageW); `nMessageVariable`
// is the UINT that holds its id.
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn) \
    {0xC000, 0, 0, 0, &nMessageVariable, &::ui::detail::RawThunk<memberFxn>},

#define UI_ON_CRACKED(message, memberFxn) {message, 0, 0, 0, nullptr, &::ui::detail::CrackedThunk<message, memberFxn>},

// Window messages with their parameters cracked; the handler has the
// framework's name in the class that declares the map.
#define ON_WM_CREATE() UI_ON_CRACKED(0x0001, &ThisClass::OnCreate)
#define ON_WM_DESTROY() UI_ON_CRACKED(0x0002, &ThisClass::OnDestroy)
#define ON_WM_MOVE() UI_ON_CRACKED(0x0003, &ThisClass::OnMove)
#define ON_WM_SIZE() UI_ON_CRACKED(0x0005, &ThisClass::OnSize)
#define ON_WM_ACTIVATE() UI_ON_CRACKED(0x0006, &ThisClass::OnActivate)
#define ON_WM_SETFOCUS() UI_ON_CRACKED(0x0007, &ThisClass::OnSetFocus)
#define ON_WM_KILLFOCUS() UI_ON_CRACKED(0x0008, &ThisClass::OnKillFocus)
#define ON_WM_PAINT() UI_ON_CRACKED(0x000F, &ThisClass::OnPaint)
#define ON_WM_CLOSE() UI_ON_CRACKED(0x0010, &ThisClass::OnClose)
#define ON_WM_ERASEBKGND() UI_ON_CRACKED(0x0014, &ThisClass::OnEraseBkgnd)
#define ON_WM_SHOWWINDOW() UI_ON_CRACKED(0x0018, &ThisClass::OnShowWindow)
#define ON_WM_MOUSEACTIVATE() UI_ON_CRACKED(0x0021, &ThisClass::OnMouseActivate)
#define ON_WM_DRAWITEM() UI_ON_CRACKED(0x002B, &ThisClass::OnDrawItem)
#define ON_WM_MEASUREITEM() UI_ON_CRACKED(0x002C, &ThisClass::OnMeasureItem)
#define ON_WM_COPYDATA() UI_ON_CRACKED(0x004A, &ThisClass::OnCopyData)
#define ON_WM_CONTEXTMENU() UI_ON_CRACKED(0x007B, &ThisClass::OnContextMenu)
#define ON_WM_STYLECHANGED() UI_ON_CRACKED(0x007D, &ThisClass::OnStyleChanged)
#define ON_WM_NCDESTROY() UI_ON_CRACKED(0x0082, &ThisClass::OnNcDestroy)
#define ON_WM_KEYDOWN() UI_ON_CRACKED(0x0100, &ThisClass::OnKeyDown)
#define ON_WM_KEYUP() UI_ON_CRACKED(0x0101, &ThisClass::OnKeyUp)
#define ON_WM_CHAR() UI_ON_CRACKED(0x0102, &ThisClass::OnChar)
#define ON_WM_TIMER() UI_ON_CRACKED(0x0113, &ThisClass::OnTimer)
#define ON_WM_INITMENUPOPUP() UI_ON_CRACKED(0x0117, &ThisClass::OnInitMenuPopup)
#define ON_WM_CTLCOLOR()                          \
    UI_ON_CRACKED(0x0132, &ThisClass::OnCtlColor) \
    UI_ON_CRACKED(0x0133, &ThisClass::OnCtlColor) \
    UI_ON_CRACKED(0x0134, &ThisClass::OnCtlColor) \
    UI_ON_CRACKED(0x0135, &ThisClass::OnCtlColor) \
    UI_ON_CRACKED(0x0136, &ThisClass::OnCtlColor) \
    UI_ON_CRACKED(0x0137, &ThisClass::OnCtlColor) UI_ON_CRACKED(0x0138, &ThisClass::OnCtlColor)
#define ON_WM_MOUSEMOVE() UI_ON_CRACKED(0x0200, &ThisClass::OnMouseMove)
#define ON_WM_LBUTTONDOWN() UI_ON_CRACKED(0x0201, &ThisClass::OnLButtonDown)
#define ON_WM_LBUTTONUP() UI_ON_CRACKED(0x0202, &ThisClass::OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() UI_ON_CRACKED(0x0203, &ThisClass::OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() UI_ON_CRACKED(0x0204, &ThisClass::OnRButtonDown)
#define ON_WM_RBUTTONUP() UI_ON_CRACKED(0x0205, &ThisClass::OnRButtonUp)
#define ON_WM_MOUSEWHEEL() UI_ON_CRACKED(0x020A, &ThisClass::OnMouseWheel)
#define ON_WM_PARENTNOTIFY() UI_ON_CRACKED(0x0210, &ThisClass::OnParentNotify)
#define ON_WM_CAPTURECHANGED() UI_ON_CRACKED(0x0215, &ThisClass::OnCaptureChanged)
#define ON_WM_DROPFILES() UI_ON_CRACKED(0x0233, &ThisClass::OnDropFiles)
#define ON_WM_DRAWCLIPBOARD() UI_ON_CRACKED(0x0308, &ThisClass::OnDrawClipboard)
#define ON_WM_CHANGECBCHAIN() UI_ON_CRACKED(0x030D, &ThisClass::OnChangeCbChain)
