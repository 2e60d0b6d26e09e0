#include "launcher/win/image/ConfigLoad.h"

#include "common/TextFormat.h"
#include "launcher/core/Log.h"
#include "launcher/win/image/Config.h"
#include "launcher/win/image/SelfImage.h"
#include "launcher/win/report/ErrorReport.h"

namespace tavik::image {

void failBlockRead(const config::BlockFailure& failure) {
    switch (failure.error) {
        case config::BlockError::ReadInt:
            log::logLine(u"error %d %d\n", failure.lastErrorCode, failure.bytesRead);
            break;
        case config::BlockError::ReadLong:
        case config::BlockError::ReadShort:
            log::logLine(u"error %d\n", failure.lastErrorCode);
            break;
        case config::BlockError::Magic:
        case config::BlockError::ReadString:
        case config::BlockError::ReadWString:
            break;
    }
    report::fatalError(decodeAnsi(config::blockErrorText(failure.error)));
}

void readConfigBlock() {
    FileByteSource image(openSelfImage());
    const BlockLocation location = locateConfigBlock(image);
    if (location.failure) failBlockRead(*location.failure);
    if (const auto failure = storeConfigBlock(image)) failBlockRead(*failure);
}

}  // namespace tavik::image
