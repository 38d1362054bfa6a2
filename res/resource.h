// Resource ids shared by the resource script and the code.
#pragma once

#define IDR_PAYLOAD 129   // "FILE": the 7z archive of the application

// The product icon, in all three programs: the lowest id is the first icon
// group, the one Explorer shows.
#define IDI_PRODUCT 1
