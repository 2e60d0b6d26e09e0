#include "common/win/Pipe.h"

#include "common/win/LastError.h"

namespace tavik {

Result<Pipe> createPipe(PipeEnd inherited) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Pipe pipe;
    if (!::CreatePipe(pipe.read.put(), pipe.write.put(), &inheritable, 0)) return lastError("CreatePipe");
    const HANDLE kept = inherited == PipeEnd::Read ? pipe.write.get() : pipe.read.get();
    if (!::SetHandleInformation(kept, HANDLE_FLAG_INHERIT, 0)) return lastError("SetHandleInformation");
    return pipe;
}

}  // namespace tavik
