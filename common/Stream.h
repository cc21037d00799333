// The byte stream the channels run over: the sixteen slots of the remote-API
// stream interface, in their order. Only Read and Write do work; the channel
// never calls AddRef, Release or the statistics slots, and never owns a stream.
#pragma once

#include <cstdint>

#include "common/Codes.h"

namespace hd {

class IRAPIStream {
public:
    virtual HRESULT QueryInterface(const void* riid, void** ppv) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
    // S_OK only when all cb bytes are in pv; E_READ_TIMEOUT when the read wait
    // passed with nothing consumed; anything else means the stream is broken.
    virtual HRESULT Read(void* pv, uint32_t cb, uint32_t* pcbRead) = 0;
    // S_OK only when all cb bytes were handed on.
    virtual HRESULT Write(const void* pv, uint32_t cb, uint32_t* pcbWritten) = 0;
    virtual HRESULT Seek(int64_t move, uint32_t origin, uint64_t* newPos) = 0;
    virtual HRESULT SetSize(uint64_t size) = 0;
    virtual HRESULT CopyTo(IRAPIStream* to, uint64_t cb, uint64_t* read, uint64_t* written) = 0;
    virtual HRESULT Commit(uint32_t flags) = 0;
    virtual HRESULT Revert() = 0;
    virtual HRESULT LockRegion(uint64_t offset, uint64_t cb, uint32_t type) = 0;
    virtual HRESULT UnlockRegion(uint64_t offset, uint64_t cb, uint32_t type) = 0;
    virtual HRESULT Stat(void* statstg, uint32_t flag) = 0;
    virtual HRESULT Clone(IRAPIStream** stream) = 0;
    virtual HRESULT SetRapiStat(uint32_t stat, uint32_t value) = 0;
    virtual HRESULT GetRapiStat(uint32_t stat, uint32_t* value) = 0;

protected:
    ~IRAPIStream() = default;
};

// A stream whose only working slots are Read and Write; the rest answer 0.
// Base of the socket stream, the local link's stream and the test fakes.
class ReadWriteStream : public IRAPIStream {
public:
    HRESULT QueryInterface(const void*, void**) override { return 0; }
    uint32_t AddRef() override { return 0; }
    uint32_t Release() override { return 0; }
    HRESULT Seek(int64_t, uint32_t, uint64_t*) override { return 0; }
    HRESULT SetSize(uint64_t) override { return 0; }
    HRESULT CopyTo(IRAPIStream*, uint64_t, uint64_t*, uint64_t*) override { return 0; }
    HRESULT Commit(uint32_t) override { return 0; }
    HRESULT Revert() override { return 0; }
    HRESULT LockRegion(uint64_t, uint64_t, uint32_t) override { return 0; }
    HRESULT UnlockRegion(uint64_t, uint64_t, uint32_t) override { return 0; }
    HRESULT Stat(void*, uint32_t) override { return 0; }
    HRESULT Clone(IRAPIStream**) override { return 0; }
    HRESULT SetRapiStat(uint32_t, uint32_t) override { return 0; }
    HRESULT GetRapiStat(uint32_t, uint32_t*) override { return 0; }
    virtual ~ReadWriteStream() = default;
};

// The entry points' stream-extension signature.
using StreamEntry = HRESULT (*)(uint32_t cbInput, uint8_t* pInput, uint32_t* pcbOutput,
                                uint8_t** ppOutput, IRAPIStream* stream);

}  // namespace hd
