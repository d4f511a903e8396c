#include "platform/x11_keyboard.h"

#include <X11/XF86keysym.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>

namespace sonvaro {
namespace {

// The keysyms that stand for one virtual-key code.
std::vector<KeySym> KeySymsOf(int32_t vk) {
    if (vk >= 'A' && vk <= 'Z') return {static_cast<KeySym>(XK_a + (vk - 'A'))};
    if (vk >= '0' && vk <= '9') return {static_cast<KeySym>(XK_0 + (vk - '0'))};
    if (vk >= 112 && vk <= 135) return {static_cast<KeySym>(XK_F1 + (vk - 112))};
    switch (vk) {
        case 8:
            return {XK_BackSpace};
        case 9:
            return {XK_Tab, XK_ISO_Left_Tab};
        case 13:
            return {XK_Return, XK_KP_Enter};
        case 16:
            return {XK_Shift_L, XK_Shift_R};
        case 17:
            return {XK_Control_L, XK_Control_R};
        case 18:
            return {XK_Alt_L, XK_Alt_R};
        case 19:
            return {XK_Pause};
        case 27:
            return {XK_Escape};
        case 32:
            return {XK_space};
        case 33:
            return {XK_Prior};
        case 34:
            return {XK_Next};
        case 35:
            return {XK_End};
        case 36:
            return {XK_Home};
        case 37:
            return {XK_Left};
        case 38:
            return {XK_Up};
        case 39:
            return {XK_Right};
        case 40:
            return {XK_Down};
        case 42:
            // "Druck" is the old print key, which PC keyboards lack; their
            // Print key is the snapshot key (44), which the table does not offer.
            return {};
        case 45:
            return {XK_Insert};
        case 46:
            return {XK_Delete};
        case 91:
            return {XK_Super_L};
        case 92:
            return {XK_Super_R};
        case 106:
            return {XK_KP_Multiply};
        case 107:
            return {XK_KP_Add};
        case 109:
            return {XK_KP_Subtract};
        case 111:
            return {XK_KP_Divide};
        case 145:
            return {XK_Scroll_Lock};
        case 173:
            return {XF86XK_AudioMute};
        case 174:
            return {XF86XK_AudioLowerVolume};
        case 175:
            return {XF86XK_AudioRaiseVolume};
        case 176:
            return {XF86XK_AudioNext};
        case 177:
            return {XF86XK_AudioPrev};
        case 178:
            return {XF86XK_AudioStop};
        case 179:
            return {XF86XK_AudioPlay, XF86XK_AudioPause};
        default:
            return {};
    }
}

// Every code the polling reads: the key table's, the modifiers and the media keys.
std::vector<int32_t> PolledKeys() {
    std::vector<int32_t> v;
    for (int32_t k = 'A'; k <= 'Z'; ++k) v.push_back(k);
    for (int32_t k = '0'; k <= '9'; ++k) v.push_back(k);
    for (int32_t k = 112; k <= 135; ++k) v.push_back(k);
    for (int32_t k : {8,  9,  13, 16, 17, 18,  19,  27,  32,  33,  34,  35,  36,  37,  38,  39,  40,
                      42, 45, 46, 91, 92, 106, 107, 109, 111, 145, 173, 174, 175, 176, 177, 178, 179})
        v.push_back(k);
    return v;
}

bool grabFailed = false;
int NoteGrabError(Display*, XErrorEvent* e) {
    if (e->error_code == BadAccess) grabFailed = true;
    return 0;
}

Display* AsDisplay(void* d) {
    return static_cast<Display*>(d);
}

}  // namespace

X11KeyState::X11KeyState(const std::string& display) {
    display_ = XOpenDisplay(display.empty() ? nullptr : display.c_str());
    if (!display_) return;
    ReadMapping();
    ProbeMediaKeyGrabs();
}

X11KeyState::~X11KeyState() {
    if (display_) XCloseDisplay(AsDisplay(display_));
}

void X11KeyState::ReadMapping() {
    Display* d = AsDisplay(display_);
    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(d, &minCode, &maxCode);
    int perCode = 0;
    KeySym* map = XGetKeyboardMapping(d, static_cast<KeyCode>(minCode), maxCode - minCode + 1, &perCode);
    codes_.clear();
    if (!map) return;
    for (int32_t vk : PolledKeys()) {
        const std::vector<KeySym> wanted = KeySymsOf(vk);
        std::vector<uint8_t>& codes = codes_[vk];
        for (int code = minCode; code <= maxCode; ++code) {
            for (int col = 0; col < perCode; ++col) {
                const KeySym sym = map[(code - minCode) * perCode + col];
                if (sym != NoSymbol && std::find(wanted.begin(), wanted.end(), sym) != wanted.end()) {
                    codes.push_back(static_cast<uint8_t>(code));
                    break;
                }
            }
        }
    }
    XFree(map);
}

void X11KeyState::ProbeMediaKeyGrabs() {
    // A grab that another client holds is refused with BadAccess; ours is let go at once.
    Display* d = AsDisplay(display_);
    const Window root = DefaultRootWindow(d);
    XSync(d, False);
    XErrorHandler previous = XSetErrorHandler(NoteGrabError);
    for (int32_t vk = 173; vk <= 179; ++vk) {
        bool taken = false;
        for (uint8_t code : codes_[vk]) {
            grabFailed = false;
            XGrabKey(d, code, AnyModifier, root, False, GrabModeAsync, GrabModeAsync);
            XSync(d, False);
            if (grabFailed) {
                taken = true;
            } else {
                XUngrabKey(d, code, AnyModifier, root);
                XSync(d, False);
            }
        }
        mediaTaken_[vk] = taken;
    }
    XSetErrorHandler(previous);
}

void X11KeyState::Refresh() {
    if (!display_) return;
    // A layout switch moves keysyms to other codes: follow it every ~5 s of polling.
    if (++refreshes_ >= 200) {
        refreshes_ = 0;
        ReadMapping();
    }
    XQueryKeymap(AsDisplay(display_), keys_.data());
}

bool X11KeyState::Down(int32_t virtualKey) const {
    const auto it = codes_.find(virtualKey);
    if (it == codes_.end() || MediaKeyTakenByDesktop(virtualKey)) return false;
    for (uint8_t code : it->second)
        if (keys_[code / 8] & (1 << (code % 8))) return true;
    return false;
}

std::vector<uint8_t> X11KeyState::KeyCodes(int32_t virtualKey) const {
    const auto it = codes_.find(virtualKey);
    return it == codes_.end() ? std::vector<uint8_t>() : it->second;
}

bool X11KeyState::MediaKeyTakenByDesktop(int32_t virtualKey) const {
    const auto it = mediaTaken_.find(virtualKey);
    return it != mediaTaken_.end() && it->second;
}

}  // namespace sonvaro
