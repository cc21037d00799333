// The remote-API link to the device agent: start it, invoke an agent entry
// point in stream mode, end it. The local link implements it by loading the
// agent into this process. Called on the thread that connects.
#pragma once

#include <cstdint>

#include "common/Codes.h"
#include "common/Event.h"
#include "common/Stream.h"

namespace hd::desktop {

struct RapiInit {
    uint32_t cbSize = 12;
    Event* heRapiInit = nullptr;  // set when the start has finished
    HRESULT hrRapiInit = E_FAIL;  // its result
};

class RemoteApi {
public:
    virtual ~RemoteApi() = default;
    // Starts the link; the result arrives through init's event and result.
    virtual HRESULT CeRapiInitEx(RapiInit& init) = 0;
    // Runs function of dll on the device with a stream; *stream stays owned by
    // the link and valid until CeRapiUninit.
    virtual HRESULT CeRapiInvoke(const char* dll, const char* function, uint32_t cbInput,
                                 uint8_t* input, uint32_t* cbOutput, uint8_t** output,
                                 IRAPIStream** stream, uint32_t reserved) = 0;
    virtual HRESULT CeRapiUninit() = 0;
    // Makes a blocked read on a stream this link handed out return.
    virtual void ShutdownStream(IRAPIStream* stream) = 0;
};

}  // namespace hd::desktop
