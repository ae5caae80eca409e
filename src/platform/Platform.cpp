// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Platform.h"

#include "platform/CodePages.h"
#include "platform/Module.h"

void InstallPlatformServices() {
    UseCodePageServices({PlatformSystemCodePage, PlatformDecode, PlatformEncode});
    UseCodeLocator(LocateCode);
}
