// The engine's last-error code, kept per calling thread as BASS does.
#pragma once

namespace sonvaro::audio {

void SetError(int code);
int LastError();

// Records `code` and returns `result`, for one-line failure returns.
template <class T>
T Fail(int code, T result) {
    SetError(code);
    return result;
}

}  // namespace sonvaro::audio
