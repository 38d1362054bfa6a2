// Resource ids shared by the resource script and the code.
#pragma once

// The product icon, in all three programs: the lowest id is the first icon
// group, the one Explorer shows.
#define IDI_PRODUCT 1
