#include "radio/CommandResponse.h"

namespace radio {

bool echoesCommand(transport::ByteView body, transport::ByteView command) {
    if (command.length() < 2 || body.length() < 2) return false;
    return lowerAscii(body[0]) == lowerAscii(command[0]) &&
           lowerAscii(body[1]) == lowerAscii(command[1]);
}

bool reportsSuccess(transport::ByteView body, transport::ByteView command) {
    return body.length() >= kResponseHeaderLength && echoesCommand(body, command) &&
           body[2] == kStatusOk;
}

}  // namespace radio
