#include "agent/tasks/SystemInfoReport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "agent/tasks/RecordFields.h"
#include "common/ByteOrder.h"
#include "common/Log.h"

namespace hd {

const char* ProcessorTypeName(uint32_t type) {
    switch (type) {
        case 386:
            return "Intel 386";
        case 486:
            return "Intel 486";
        case 586:
            return "Intel Pentium";
        case 1824:
            return "Arm 720";
        case 2577:
            return "Intel Strongarm";
        case 4000:
            return "MIPS R4000";
        case 10003:
            return "Hitachi SH3";
        case 10005:
            return "Hitachi SH4";
        default:
            return nullptr;
    }
}

namespace {

// The service-pack number: the first number in the service-pack text, 0
// when it has none.
int ServicePackNumber(const std::string& csd) {
    const size_t at = csd.find_first_of("0123456789");
    return at == std::string::npos ? 0 : std::atoi(csd.c_str() + at);
}

}  // namespace

void SystemInfoReport::LoadSysInfo() {
    uint8_t* r = m_record.data();
    char text[160];

    platform::ProcessorInfo cpu;
    if (m_system.Processor(cpu)) {
        const char* name = ProcessorTypeName(cpu.type);
        if (!name) name = cpu.name.empty() ? "Unknown" : cpu.name.c_str();
        std::snprintf(text, sizeof text, "%d X %s", int(cpu.count), name);
        PutWideText(r + 0, kProcessorTextUnits, text);
        put_le32(r + 192, AddressField(cpu.lowestAddress));
        put_le32(r + 196, AddressField(cpu.highestAddress));
        put_le32(r + 216, cpu.pageSize);
    }

    platform::MemoryInfo mem;
    if (m_system.Memory(mem)) {
        put_le32(r + 200, AmountField(mem.availPhysical));
        put_le32(r + 204, AmountField(mem.totalPhysical));
        put_le32(r + 208, AmountField(mem.availVirtual));
        put_le32(r + 212, AmountField(mem.totalVirtual));
        put_le32(r + 220, mem.loadPercent);
    }

    platform::OsVersionInfo os;
    if (m_system.Version(os)) {
        std::string line = os.ownText;
        if (line.empty()) {
            std::snprintf(text, sizeof text, "Windows CE %d.%d, build %d", int(os.major),
                          int(os.minor), int(os.build));
            line = text;
        }
        if (!os.csdVersion.empty()) {
            std::snprintf(text, sizeof text, ", Service Pack %d", ServicePackNumber(os.csdVersion));
            line += text;
        }
        PutWideText(r + 70, kOsTextUnits, line);
    }

    platform::StoreInfo store;
    if (m_system.Store(store)) {
        put_le32(r + 224, AmountField(store.freeBytes));
        put_le32(r + 228, AmountField(store.sizeBytes));
    }

    const platform::ScreenInfo screen = m_system.Screen();
    put_le16(r + 232, uint16_t(std::min<uint32_t>(screen.width, 0xFFFF)));
    put_le16(r + 234, uint16_t(std::min<uint32_t>(screen.height, 0xFFFF)));
    put_le32(r + 236, uint32_t(screen.colours));

    platform::PowerInfo power;
    if (m_system.Power(power)) {
        r[240] = power.mainPercent;
        r[241] = power.backupPercent;
    }
}

bool SystemInfoReport::List2Stream(Channel& channel) {
    LoadSysInfo();
    uint8_t length[4];
    put_be32(length, kSysInfoSize);
    if (!channel.WriteBytes(length, 4)) {
        log::Forced("SI::List2Stream:Error writing length to stream");
        return false;
    }
    if (!channel.WriteBytes(m_record.data(), kSysInfoSize)) {
        log::Forced("SI::List2Stream:Error writing sysinfo to stream");
        return false;
    }
    return true;
}

}  // namespace hd
