// The kinds of host files in words, the same on every host.
#include "platform/host_files.h"

std::string HostKindText(HostKind kind) {
  switch (kind) {
    case HostKind::kFolder: return "a folder";
    case HostKind::kPipe: return "a pipe";
    case HostKind::kDevice: return "a device";
    case HostKind::kSocket: return "a socket";
    case HostKind::kLink: return "a link";
    case HostKind::kFile: break;
  }
  return "a file";
}
