#include "agent/platform/linux/FbDisplay.h"

#include <strings.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "agent/platform/MemoryGx.h"
#include "common/Log.h"

namespace hd::platform {

// The frame buffer's memory; data is smem_start's first byte, which need not
// be page aligned.
struct FbDisplay::Mapping {
    void* base = MAP_FAILED;
    size_t length = 0;
    const uint8_t* data = nullptr;
    size_t visible = 0;  // offset of the visible area's first pixel

    ~Mapping() {
        if (base != MAP_FAILED) ::munmap(base, length);
    }
};

namespace {

constexpr uint32_t kMaxSide = 16384;

bool SameMode(const fb_var_screeninfo& a, const fb_var_screeninfo& b) {
    auto same = [](const fb_bitfield& x, const fb_bitfield& y) {
        return x.offset == y.offset && x.length == y.length;
    };
    return a.xres == b.xres && a.yres == b.yres && a.bits_per_pixel == b.bits_per_pixel &&
           same(a.red, b.red) && same(a.green, b.green) && same(a.blue, b.blue);
}

// Offset of the visible area, or -1 when the area does not lie inside the
// frame buffer's memory.
int64_t VisibleOffset(const fb_var_screeninfo& var, const fb_fix_screeninfo& fix) {
    const uint64_t bpp = var.bits_per_pixel / 8;
    const uint64_t rowEnd = (uint64_t(var.xoffset) + var.xres) * bpp;
    if (rowEnd > fix.line_length) return -1;
    const uint64_t end = (uint64_t(var.yoffset) + var.yres - 1) * fix.line_length + rowEnd;
    if (end > fix.smem_len) return -1;
    return int64_t(uint64_t(var.yoffset) * fix.line_length + uint64_t(var.xoffset) * bpp);
}

const char* CheckFormat(const fb_var_screeninfo& var, const fb_fix_screeninfo& fix) {
    if (fix.type != FB_TYPE_PACKED_PIXELS) return "not packed pixels";
    if (fix.visual != FB_VISUAL_TRUECOLOR && fix.visual != FB_VISUAL_DIRECTCOLOR)
        return "not a true-colour visual";
    if (var.bits_per_pixel != 16 && var.bits_per_pixel != 24 && var.bits_per_pixel != 32)
        return "unsupported depth";
    for (const fb_bitfield* f : {&var.red, &var.green, &var.blue})
        if (f->length > 16 || f->offset + f->length > var.bits_per_pixel)
            return "bad colour bitfields";
    if (var.xres == 0 || var.yres == 0 || var.xres > kMaxSide || var.yres > kMaxSide)
        return "bad resolution";
    if (fix.line_length > uint32_t(INT32_MAX)) return "bad line length";
    return nullptr;
}

// One channel of a pixel, scaled to 5 bits.
struct Channel {
    uint32_t offset, mask, down, up;
    explicit Channel(const fb_bitfield& f)
        : offset(f.length ? f.offset : 0),
          mask(f.length ? (1u << f.length) - 1 : 0),
          down(f.length > 5 ? f.length - 5 : 0),
          up(f.length < 5 ? 5 - f.length : 0) {}
    uint32_t Get(uint32_t pixel) const { return ((pixel >> offset) & mask) >> down << up; }
};

}  // namespace

std::unique_ptr<FbDisplay> FbDisplay::Open(std::unique_ptr<FbSource> source) {
    if (!source) return nullptr;
    const char* path = source->Path().c_str();
    fb_var_screeninfo var{};
    fb_fix_screeninfo fix{};
    if (int e = source->GetVar(var)) {
        log::Forced("FB::Open:FBIOGET_VSCREENINFO failed on %s: %s", path, std::strerror(e));
        return nullptr;
    }
    if (int e = source->GetFix(fix)) {
        log::Forced("FB::Open:FBIOGET_FSCREENINFO failed on %s: %s", path, std::strerror(e));
        return nullptr;
    }
    if (const char* why = CheckFormat(var, fix)) {
        log::Forced("FB::Open:%s: %s (%ux%u, %u bpp)", path, why, var.xres, var.yres,
                    var.bits_per_pixel);
        return nullptr;
    }
    const int64_t visible = VisibleOffset(var, fix);
    if (visible < 0) {
        log::Forced("FB::Open:%s: visible area %ux%u+%u+%u outside %u bytes of %u per line", path,
                    var.xres, var.yres, var.xoffset, var.yoffset, fix.smem_len, fix.line_length);
        return nullptr;
    }

    auto map = std::make_shared<Mapping>();
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    const size_t lead = size_t(fix.smem_start) & (page - 1);
    map->length = lead + fix.smem_len;
    map->base = ::mmap(nullptr, map->length, PROT_READ, MAP_SHARED, source->Fd(), 0);
    if (map->base == MAP_FAILED) {
        log::Forced("FB::Open:mmap of %s failed: %s", path, std::strerror(errno));
        return nullptr;
    }
    map->data = static_cast<const uint8_t*>(map->base) + lead;
    map->visible = size_t(visible);
    log::Log("FB::Open:%s %ux%u %u bpp, %u bytes per line", path, var.xres, var.yres,
             var.bits_per_pixel, fix.line_length);
    return std::unique_ptr<FbDisplay>(new FbDisplay(std::move(source), var, fix, std::move(map)));
}

FbDisplay::FbDisplay(std::unique_ptr<FbSource> source, const fb_var_screeninfo& var,
                     const fb_fix_screeninfo& fix, std::shared_ptr<Mapping> map)
    : m_source(std::move(source)),
      m_var(var),
      m_fix(fix),
      m_bytesPerPixel(var.bits_per_pixel / 8),
      m_map(std::move(map)) {}

FbDisplay::~FbDisplay() = default;

std::string FbDisplay::OemInfo() {
    const std::string id(m_fix.id, strnlen(m_fix.id, sizeof m_fix.id));
    return id.empty() ? "Linux framebuffer" : "Linux framebuffer " + id;
}

bool FbDisplay::Is565() const {
    return m_var.bits_per_pixel == 16 && m_var.red.offset == 11 && m_var.red.length == 5 &&
           m_var.green.offset == 5 && m_var.green.length == 6 && m_var.blue.offset == 0 &&
           m_var.blue.length == 5;
}

std::unique_ptr<GxLibrary> FbDisplay::LoadGx(const char* name) {
    if (!name || strcasecmp(name, "gx.dll") != 0) return nullptr;
    // Every depth gets a layer that tells the truth; only 5-6-5 carries the
    // format bit the reader accepts, so other depths go to the screen copy.
    GxProperties p;
    p.width = m_var.xres;
    p.height = m_var.yres;
    p.xPitchBytes = int32_t(m_bytesPerPixel);
    p.yPitchBytes = int32_t(m_fix.line_length);
    p.bpp = m_var.bits_per_pixel;
    p.format = Is565() ? kFormat565 : 0;
    // The reader only reads; the mapping is read-only.
    auto memory = [map = m_map] { return const_cast<uint8_t*>(map->data + map->visible); };
    return std::make_unique<MemoryGx>(p, memory, false);
}

void FbDisplay::BeforeCapture() {
    fb_var_screeninfo var{};
    if (int e = m_source->GetVar(var)) {
        if (!m_refreshFailed)
            log::Forced("FB::Refresh:FBIOGET_VSCREENINFO failed on %s: %s",
                        m_source->Path().c_str(), std::strerror(e));
        m_refreshFailed = true;
        return;
    }
    // A new mode would need a new screen size; keep reading the old one.
    const int64_t visible = SameMode(var, m_var) ? VisibleOffset(var, m_fix) : -1;
    if (visible < 0) {
        if (!m_refreshFailed)
            log::Forced("FB::Refresh:%s changed to %ux%u+%u+%u, %u bpp; keeping %ux%u+%u+%u",
                        m_source->Path().c_str(), var.xres, var.yres, var.xoffset, var.yoffset,
                        var.bits_per_pixel, m_var.xres, m_var.yres, m_var.xoffset, m_var.yoffset);
        m_refreshFailed = true;
        return;
    }
    m_refreshFailed = false;
    m_var.xoffset = var.xoffset;
    m_var.yoffset = var.yoffset;
    m_map->visible = size_t(visible);
}

bool FbDisplay::CaptureRgb555(uint8_t* bottomUp, int width, int height, int strideBytes) {
    if (!bottomUp || width <= 0 || height <= 0 || strideBytes < 2 * width) {
        log::Forced("FB::Capture:Bad target %dx%d stride %d", width, height, strideBytes);
        return false;
    }
    const Channel r(m_var.red), g(m_var.green), b(m_var.blue);
    const uint8_t* visible = m_map->data + m_map->visible;
    const int w = std::min<int>(width, int(m_var.xres));
    for (int y = 0; y < height; ++y) {
        uint8_t* out = bottomUp + size_t(height - 1 - y) * size_t(strideBytes);
        int x = 0;
        if (y < int(m_var.yres)) {
            const uint8_t* in = visible + size_t(y) * m_fix.line_length;
            for (; x < w; ++x, in += m_bytesPerPixel) {
                uint32_t px;
                if (m_bytesPerPixel == 2) {
                    uint16_t v;
                    std::memcpy(&v, in, 2);
                    px = v;
                } else if (m_bytesPerPixel == 3) {
                    px = uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16;
                } else {
                    std::memcpy(&px, in, 4);
                }
                const uint16_t v = uint16_t(r.Get(px) << 10 | g.Get(px) << 5 | b.Get(px));
                std::memcpy(out + 2 * x, &v, 2);
            }
        }
        std::memset(out + 2 * x, 0, size_t(width - x) * 2);
    }
    return true;
}

}  // namespace hd::platform
