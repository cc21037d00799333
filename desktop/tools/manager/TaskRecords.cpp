#include "desktop/tools/manager/TaskRecords.h"

#include "common/ByteOrder.h"
#include "desktop/tools/files/TextCodec.h"

namespace hd::tools {

std::string WideField(std::span<const uint8_t> field) {
    std::u16string units;
    for (size_t i = 0; i + 1 < field.size(); i += 2) {
        const uint16_t u = get_le16(field.data() + i);
        if (u == 0) break;
        units += char16_t(u);
    }
    return Utf16ToUtf8(units);
}

TaskRecord ParseTask(std::span<const uint8_t, kTaskRecordSize> r) {
    const uint8_t* p = r.data();
    TaskRecord t;
    t.usage = get_le32(p + 0);
    t.pid = get_le32(p + 4);
    t.parentPid = get_le32(p + 8);
    t.threads = get_le32(p + 12);
    t.moduleId = get_le32(p + 16);
    t.window = get_le32(p + 32);
    t.exe = WideField(r.subspan(36, 128));
    t.title = WideField(r.subspan(164, 128));
    return t;
}

ThreadRecord ParseThread(std::span<const uint8_t, kThreadRecordSize> r) {
    return {get_le32(r.data()), int32_t(get_le32(r.data() + 4))};
}

ModuleRecord ParseModule(std::span<const uint8_t, kModuleRecordSize> r) {
    const uint8_t* p = r.data();
    ModuleRecord m;
    m.base = get_le32(p + 0);
    m.size = get_le32(p + 4);
    m.globalUsage = get_le32(p + 8);
    m.processUsage = get_le32(p + 12);
    m.handle = get_le32(p + 16);
    m.name = WideField(r.subspan(20, 132));
    return m;
}

SysInfoRecord ParseSysInfo(std::span<const uint8_t, kSysInfoSize> r) {
    const uint8_t* p = r.data();
    SysInfoRecord s;
    s.processor = WideField(r.subspan(0, 70));
    s.os = WideField(r.subspan(70, 122));
    s.minAddress = get_le32(p + 192);
    s.maxAddress = get_le32(p + 196);
    s.availPhysical = get_le32(p + 200);
    s.totalPhysical = get_le32(p + 204);
    s.availVirtual = get_le32(p + 208);
    s.totalVirtual = get_le32(p + 212);
    s.pageSize = get_le32(p + 216);
    s.memoryLoad = get_le32(p + 220);
    s.storeFree = get_le32(p + 224);
    s.storeSize = get_le32(p + 228);
    s.width = get_le16(p + 232);
    s.height = get_le16(p + 234);
    s.colours = int32_t(get_le32(p + 236));
    s.mainBattery = p[240];
    s.backupBattery = p[241];
    return s;
}

}  // namespace hd::tools
