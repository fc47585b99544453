#include "win32/icon_handle.h"

namespace pallisar {

namespace {

// The icon resource format version that CreateIconFromResourceEx expects.
constexpr DWORD kIconFormatVersion = 0x00030000;

SIZE ActualSize(int cx, int cy) {
    if (cx > 0 && cy > 0) return {cx, cy};
    return {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
}

}  // namespace

IconHandle CreateIconFromImage(const IconImage& image, int cx, int cy) {
    if (image.data.empty()) return IconHandle();
    const SIZE size = ActualSize(cx, cy);
    // The function only reads the bytes, although its parameter is not const.
    auto* bits = reinterpret_cast<BYTE*>(const_cast<char*>(image.data.data()));
    return IconHandle(CreateIconFromResourceEx(bits, static_cast<DWORD>(image.data.size()), TRUE,
                                               kIconFormatVersion, size.cx, size.cy,
                                               LR_DEFAULTCOLOR));
}

IconHandle CreateIconHandle(const Icon& icon, int cx, int cy) {
    const SIZE size = ActualSize(cx, cy);
    const IconImage* image = ChooseImage(icon, size.cx, size.cy);
    return image ? CreateIconFromImage(*image, size.cx, size.cy) : IconHandle();
}

IconHandle CreateIconHandle(const TFileIndexIcon& fileIcon, int cx, int cy) {
    const Icon* icon = fileIcon.GetIcon();
    return icon ? CreateIconHandle(*icon, cx, cy) : IconHandle();
}

}  // namespace pallisar
