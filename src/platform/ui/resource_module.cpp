#include "platform/ui/resource_module.h"

#include <QImage>
#include <algorithm>

#include "platform/gdi/painter.h"

namespace velora::platform {

std::optional<std::u16string> LoadStringText(HINSTANCE instance, UINT id) {
    const std::u16string* text = instance ? instance->String(id) : nullptr;
    if (!text) return std::nullopt;
    return *text;
}

int LoadStringW(HINSTANCE instance, UINT id, char16_t* buffer, int bufferMax) {
    if (!instance || !buffer) return 0;
    if (bufferMax == 0) {
        // The read-only string itself: the module keeps it for the run.
        const std::u16string* text = instance->String(id);
        auto** slot = reinterpret_cast<const char16_t**>(buffer);
        *slot = text ? text->c_str() : nullptr;
        return text ? static_cast<int>(text->size()) : 0;
    }
    const std::u16string* text = instance->String(id);
    if (!text) {
        buffer[0] = u'\0';
        return 0;
    }
    const int copied = std::min(static_cast<int>(text->size()), bufferMax - 1);
    std::copy_n(text->data(), copied, buffer);
    buffer[copied] = u'\0';
    return copied;
}

std::shared_ptr<Bitmap> LoadBitmap(HINSTANCE instance, UINT id) {
    const QImage* image = instance ? instance->Bitmap(id) : nullptr;
    if (!image || image->isNull()) return nullptr;
    return std::make_shared<Bitmap>(*image);
}

}  // namespace velora::platform
