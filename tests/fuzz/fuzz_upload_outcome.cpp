// The outcome of any landing address: no fault, only a created sequence clears it, and the
// user is told something unless the event named the empty address.

#include "fuzz_input.h"

#include "output/upload_outcome.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const auto landing = input.text();
    const auto eventAddress = input.text();
    const auto port = input.text();
    const auto outcome = waytrace::classifyUploadOutcome(landing, eventAddress, port);
    if (outcome.clearSequence != (outcome.message == waytrace::kMessageSequenceCreated))
        std::abort();
    if (outcome.message && (*outcome.message < 138 || *outcome.message > 141) &&
        *outcome.message != waytrace::kMessageNotConfirmed)
        std::abort();
    // Only the event for the empty address goes unanswered.
    if (!outcome.message && eventAddress != u"http:///")
        std::abort();
    return 0;
}
