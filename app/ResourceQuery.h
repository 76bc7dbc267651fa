// app/ResourceQuery.h
// How much of the System, GDI and User resources is free, as whole percentages.
#pragma once

// 0 selects the system resources, 1 the GDI resources, 2 the User resources. Returns the
// free percentage unscaled, or raises Exception with "Can't load USER.EXE!" or
// "Can't get address of GetFreeSystemResources!".
unsigned short QueryFreeResources(unsigned short selector);
