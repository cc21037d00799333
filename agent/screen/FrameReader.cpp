#include "agent/screen/FrameReader.h"

#include <algorithm>
#include <cstring>

#include "agent/platform/KnownDevices.h"
#include "agent/screen/BmpImage.h"
#include "common/Log.h"

namespace hd {

namespace {

// The hot loop of an unchanged screen: one read-only pass over a row.
// Compiled for AVX2 too where the processor has it. Not under
// ThreadSanitizer: its instrumented ifunc resolver would run before the
// sanitizer's runtime exists, at load time.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("avx2", "default")))
#endif
bool RowDiffers(const uint16_t* src, const uint16_t* dst, int width) {
    uint16_t diff = 0;
    for (int x = 0; x < width; ++x) diff |= uint16_t(Rgb565To555(src[x]) ^ dst[x]);
    return diff != 0;
}

// In a portrait row known to differ: the first and the last pixel whose
// conversion differs from dst, found a block at a time (a clock digit in the
// middle of a row is otherwise a long pixel-by-pixel walk from both ends).
constexpr int kScanBlock = 16;

int FirstChanged(const uint16_t* src, const uint16_t* dst, int x0, int x1) {
    int x = x0;
    while (x + kScanBlock <= x1 && !RowDiffers(src + x, dst + x, kScanBlock)) x += kScanBlock;
    while (x < x1 && Rgb565To555(src[x]) == dst[x]) ++x;
    return x;
}

int LastChanged(const uint16_t* src, const uint16_t* dst, int x0, int x1) {
    int x = x1;
    while (x - kScanBlock >= x0 &&
           !RowDiffers(src + x - kScanBlock, dst + x - kScanBlock, kScanBlock))
        x -= kScanBlock;
    do --x;
    while (x >= x0 && Rgb565To555(src[x]) == dst[x]);
    return x;
}

// First and last index where a and b differ (n when none), scanning in
// memcmp-sized chunks so an unchanged stretch costs what memcmp costs.
constexpr size_t kChunk = 512;

size_t FirstDiff(const uint8_t* a, const uint8_t* b, size_t n) {
    size_t i = 0;
    while (i < n) {
        const size_t len = std::min(kChunk, n - i);
        if (std::memcmp(a + i, b + i, len) != 0) {
            while (a[i] == b[i]) ++i;
            return i;
        }
        i += len;
    }
    return n;
}

size_t LastDiff(const uint8_t* a, const uint8_t* b, size_t n) {
    size_t end = n;
    while (end > 0) {
        const size_t len = std::min(kChunk, end);
        if (std::memcmp(a + end - len, b + end - len, len) != 0) {
            size_t i = end - 1;
            while (a[i] == b[i]) --i;
            return i;
        }
        end -= len;
    }
    return n;
}

}  // namespace

FrameReader::FrameReader(platform::Display& display) : m_display(display) {
    m_virtualDisplay = display.AnswersVirtualDisplayEscape();
    log::Log("BF::IsNVDPresent:%d", m_virtualDisplay ? 1 : 0);
}

FrameReader::~FrameReader() {
    if (m_gxLibrary && m_displayOpen) {
        if (m_vmem && !m_virtualDisplay) m_gxLibrary->EndDraw();
        m_gxLibrary->CloseDisplay();
    }
}

bool FrameReader::Load() {
    if (m_virtualDisplay) {
        m_gxLibrary = m_display.LoadGx("NVDGAPI.DLL");
        if (!m_gxLibrary) {
            log::Forced("BF::Load:Error loading NVDGAPI.DLL, retrying with gx.dll");
            m_virtualDisplay = false;
        }
    }
    if (!m_gxLibrary) m_gxLibrary = m_display.LoadGx("gx.dll");
    if (!m_gxLibrary) {
        log::Forced("BF::Load:Error loading gx.dll");
        return false;
    }
    return true;
}

bool FrameReader::Open() {
    if (m_tried) return m_usable;
    m_tried = true;
    if (!m_virtualDisplay) {
        const std::string oem = m_display.OemInfo();
        if (const platform::KnownDevice* d = platform::FindKnownDevice(oem.c_str())) {
            log::Log("BF::IsSpecial:%s", d->logName);
            m_props.width = d->width;
            m_props.height = d->height;
            m_props.format = d->format;
            m_props.xPitchBytes = d->xPitch * 2;
            m_props.yPitchBytes = d->yPitch * 2;
            m_vmem = m_display.KnownDeviceMemory(d->address);
            m_special = true;
            m_usable = true;
            return true;
        }
    }
    if (!Load()) return false;
    if (m_virtualDisplay) m_gxLibrary->UseVirtualDisplay(1);
    if (!m_gxLibrary->OpenDisplay()) {
        log::Log("BF::Open:failed");
        m_gxLibrary.reset();
        return false;
    }
    m_displayOpen = true;
    m_props = m_gxLibrary->GetDisplayProperties();
    if (m_virtualDisplay) {
        if (m_props.bpp == 16) m_props.format |= platform::kFormat565;
        m_props.format |= platform::kFormatLandscape;
    }
    log::Log("BF::Open:ffFormat=%xH cxWidth=%d cyHeight=%d", m_props.format, int(m_props.width),
             int(m_props.height));
    if (!(m_props.format & platform::kFormat565)) {
        m_gxLibrary->CloseDisplay();
        m_displayOpen = false;
        m_gxLibrary.reset();
        return false;
    }
    m_usable = true;
    return true;
}

bool FrameReader::VMem2DIB(uint8_t* pixels, int width, int height, uint32_t stride, int& first,
                           int& last) {
    return Read(pixels, width, height, stride, first, last, nullptr);
}

bool FrameReader::VMem2DIB(uint8_t* pixels, int width, int height, uint32_t stride, int& first,
                           int& last, std::span<const platform::Rect> areas) {
    return Read(pixels, width, height, stride, first, last, &areas);
}

bool FrameReader::Read(uint8_t* pixels, int width, int height, uint32_t stride, int& first,
                       int& last, const std::span<const platform::Rect>* areas) {
    first = last = -1;
    if (!m_usable || int(m_props.width) != width || int(m_props.height) != height) return false;
    const bool keep = m_keepPointer.load();
    if (!m_special) {
        if (m_virtualDisplay) {
            if (m_firstRead || !m_vmem) m_vmem = m_gxLibrary->BeginRead();
        } else if (!keep || m_firstRead || !m_vmem) {
            m_vmem = m_gxLibrary->BeginDraw();
        }
    }
    if (!m_vmem) {
        log::Forced("BF::VMem2DIB:Error retrieving pVMem");
        return false;
    }
    const int32_t xp = m_props.xPitchBytes;
    const int32_t yp = m_props.yPitchBytes;
    const uint32_t rowPixels = stride / 2;
    // Portrait memory keeps a raw copy of the last read: an unchanged screen
    // then costs one memcmp, and changed rows are converted from the copy, so
    // a screen that changes during the read is still converted consistently.
    const bool shadow = xp == 2 && yp >= width * 2;
    const size_t span = shadow ? size_t(height - 1) * size_t(yp) + size_t(width) * 2 : 0;
    if (shadow && m_shadow.size() != span) {
        m_shadow.assign(span, 0);
        m_shadowValid = false;
    }
    // Areas only stand for the whole screen over a complete last read.
    if (shadow && !m_shadowValid) areas = nullptr;
    int lo = -1;
    int hi = -1;
    // Rows are walked from the top of the display; the area is bottom-up. The
    // range is kept as the lowest and highest index, whatever the walk order.
    auto readRow = [&](int y, int x0, int x1) {
        const uint8_t* src = m_vmem + intptr_t(y) * yp;
        const size_t from = size_t(x0) * 2, bytes = size_t(x1 - x0) * 2;
        if (shadow) {
            uint8_t* copy = m_shadow.data() + size_t(y) * size_t(yp);
            if (m_shadowValid && std::memcmp(src + from, copy + from, bytes) == 0) return;
            std::memcpy(copy + from, src + from, bytes);
            src = copy;
        }
        uint16_t* dst = reinterpret_cast<uint16_t*>(pixels + size_t(height - 1 - y) * stride);
        auto at = [src, xp](int x) {
            uint16_t raw;
            std::memcpy(&raw, src + intptr_t(x) * xp, 2);
            return Rgb565To555(raw);
        };
        // A read-only compare first: unchanged rows cost no stores.
        bool changed = false;
        if (xp == 2) {
            changed = RowDiffers(reinterpret_cast<const uint16_t*>(src) + x0, dst + x0, x1 - x0);
        } else {
            uint16_t diff = 0;
            for (int x = x0; x < x1; ++x) diff |= uint16_t(at(x) ^ dst[x]);
            changed = diff != 0;
        }
        if (!changed) return;
        int fx = x0;
        int lx = x1 - 1;
        if (xp == 2) {
            const uint16_t* row = reinterpret_cast<const uint16_t*>(src);
            fx = FirstChanged(row, dst, x0, x1);
            lx = LastChanged(row, dst, x0, x1);
        } else {
            while (at(fx) == dst[fx]) ++fx;
            while (at(lx) == dst[lx]) --lx;
        }
        for (int x = fx; x <= lx; ++x) dst[x] = at(x);
        const int base = int(uint32_t(height - 1 - y) * rowPixels);
        if (lo < 0 || base + fx < lo) lo = base + fx;
        if (base + lx > hi) hi = base + lx;
    };
    if (areas) {
        for (const platform::Rect& area : *areas) {
            const platform::Rect r = platform::ClipTo(area, width, height);
            for (int y = r.y; y < r.y + r.h; ++y) readRow(y, r.x, r.x + r.w);
        }
    } else {
        int rowFrom = 0;
        int rowTo = height;
        if (shadow && m_shadowValid) {
            const size_t f = FirstDiff(m_vmem, m_shadow.data(), span);
            if (f == span) {
                rowTo = 0;  // nothing changed
            } else {
                rowFrom = int(f / size_t(yp));
                rowTo = int(LastDiff(m_vmem, m_shadow.data(), span) / size_t(yp)) + 1;
            }
        }
        for (int y = rowFrom; y < rowTo; ++y) readRow(y, 0, width);
    }
    m_shadowValid = shadow;
    if (!m_special && !m_virtualDisplay && !keep) m_gxLibrary->EndDraw();
    m_firstRead = false;
    first = lo;
    last = hi;
    return true;
}

}  // namespace hd
