#pragma once
#include <cstdint>

class HttpDriver;

// A request body produced piece by piece (PostFromSource, SendRequestFromSource). The driver
// attaches itself, asks for the total length and the chunked choice, begins the request, then
// calls WriteNextPiece until the source reports that it has finished; before a retry it rewinds.
class HttpBodySource {
public:
    virtual ~HttpBodySource() = default;
    virtual void Attach(HttpDriver& driver) = 0;
    virtual uint32_t TotalLength() = 0;
    virtual bool IsChunked() = 0;
    // Writes the next piece through driver.WriteData; sets *finished once nothing is left.
    // A failure status ends the request.
    virtual int32_t WriteNextPiece(HttpDriver& driver, bool* finished) = 0;
    virtual int32_t Rewind() = 0;
};
