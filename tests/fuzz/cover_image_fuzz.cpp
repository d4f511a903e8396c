// Cover pictures come from any file's tags: every byte string must decode to
// a bounded image or to nothing.
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ui/cover_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The image plug-ins (WebP) need an application object.
    static int argc = 1;
    static char name[] = "cover_image_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    const QImage image =
        sonvaro::DecodeCover(std::string_view(reinterpret_cast<const char*>(data), size), 480);
    if (!image.isNull() && (image.width() > 480 || image.height() > 480)) std::abort();
    return 0;
}
