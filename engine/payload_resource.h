// payload_resource.h: the resource that carries the payload archive, named
// once for the resource scripts (the installer's, the tests' and the fixture
// DLLs') and for the code that reads it. Plain preprocessor text up to the
// RC_INVOKED guard, so that windres can include it.
#pragma once

#define IDR_PAYLOAD 129   // type "FILE": the 7z archive of the application

#ifndef RC_INVOKED
constexpr const wchar_t PAYLOAD_RESOURCE_TYPE[] = L"FILE";
#endif
