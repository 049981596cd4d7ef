#include <unistd.h>

#include "base/uFileHandle.h"

void TFileTraits::Close(TNativeFile value) { ::close(value); }
