#pragma once
// Anonymous pipes between this process and a child.
#include "common/Result.h"
#include "common/win/Handles.h"

namespace tavik {

struct Pipe {
    UniqueHandle read;
    UniqueHandle write;
};

enum class PipeEnd { Read, Write };

// A pipe of the default size of which only the `inherited` end passes to
// children: the end kept here must not stay open in a child, or the other
// side never sees the pipe's end. Fails naming CreatePipe or SetHandleInformation.
Result<Pipe> createPipe(PipeEnd inherited);

}  // namespace tavik
