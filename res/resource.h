// Resource ids shared by the resource script and the code.
#pragma once

#define IDR_PAYLOAD 129   // "FILE": the 7z archive of the application
