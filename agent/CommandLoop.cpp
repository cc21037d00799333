#include "agent/CommandLoop.h"

#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "common/Log.h"

namespace hd {

namespace {
const char* Ok(int r) {
    return r == READ_DONE ? "ok" : "Error";
}
}  // namespace

int CommandLoop::Run(IRAPIStream* stream) {
    Channel channel(stream);
    m_pingOutstanding = false;
    // The extension belongs to the desktop that offers it, never to the next one.
    m_sender.SetScreenExtension(false);
    uint8_t command = 0;
    int r = channel.ReadFully(&command, 1);
    log::Log("PI:Priming Read completed ret=%s Cmd=%xH\n", Ok(r), unsigned(command));
    if (r == READ_DONE) {
        while (command != HC_STOP) {
            if (Dispatch(command, channel) == Step::Return) {
                // An abrupt end: no "Exiting" line, but the sender is stopped
                // too; nothing else would end it on a screen that never changes.
                m_sender.Stop();
                return 0;
            }
            r = channel.ReadBytes(&command, 1);
            while (r == READ_TIMEOUT) {
                if (m_pingOutstanding) {
                    log::Forced("PI:Error ping not returned, MAX_PING timeout reached, exiting");
                    command = HC_STOP;
                    r = READ_DONE;
                    break;
                }
                m_pingOutstanding = true;
                m_sender.Wake(WAKE_PING);
                r = channel.ReadBytes(&command, 1);
            }
            log::Log("PI:Read for cmd ret=%s Cmd=%xH", Ok(r), unsigned(command));
            if (r != READ_DONE) break;
        }
    }
    m_sender.Stop();
    log::Log("HdInvoke:Exiting");
    return 0;
}

CommandLoop::Step CommandLoop::Dispatch(uint8_t command, Channel& channel) {
    switch (command) {
        case HC_INIT: {
            uint8_t f[2];
            if (channel.ReadFully(f, 2) != READ_DONE) {
                log::Forced("PI:Error reading flags");
                return Step::Return;
            }
            const uint16_t flags = get_le16(f);
            log::SetEnabled(flags & INIT_LOGGING);
            if (flags & INIT_SLOW_CONN) {
                m_sender.SetSlowLink();
                log::Log("PI:SLOW conn");
            } else if (flags & INIT_FAST_CONN) {
                log::Log("PI:FAST conn");
            }
            m_sender.SetKeepDisplayPointer(flags & INIT_KEEP_VMEM);
            m_sender.SetScreenExtension(m_extensionAllowed && (flags & INIT_EXT_SCREEN));
            uint8_t iv[4];
            if (channel.ReadFully(iv, 4) != READ_DONE) {
                log::Log("PI:Error reading frequency from stream\n");
                return Step::Return;
            }
            log::Log("PI:Received Received HC_INIT, freq=%d\n", int(get_be32(iv)));
            return Step::Next;
        }
        case HC_PING:
            m_sender.Wake(WAKE_PONG);
            return Step::Next;
        case HC_PONG:
            m_pingOutstanding = false;
            return Step::Next;
        case HC_KEY:
        case HC_SHIFTKEY:
        case HC_CHAR:
        case HC_KEYDOWN:
        case HC_KEYEVENT:
        case HC_APPBUTTON:
        case HC_MOUSE:
            if (!m_handlers.input) return Step::Next;  // no input service: an unknown code
            if (!m_handlers.input->Handle(command, channel)) return Step::Return;
            m_sender.Wake(WAKE_INPUT);
            return Step::Next;
        case HC_GETTASKLIST:
        case HC_ACTIVATETASK:
        case HC_KILLTASK:
        case HC_GETTHRANDMODLISTS:
        case HC_GETSYSINFO:
            if (!m_handlers.tasks) return Step::Next;
            if (!m_handlers.tasks->Handle(command, channel)) return Step::Return;
            if (command <= HC_KILLTASK) m_sender.Wake(WAKE_INPUT);
            return Step::Next;
        default:
            if (command >= HC_HD_CD && command <= HC_GET_CLIPTEXT && m_handlers.files)
                m_handlers.files->Handle(command, channel);  // its result is ignored
            return Step::Next;
    }
}

}  // namespace hd
