// app/ResourceQuery.cpp
#include "ResourceQuery.h"

#include "Platform.h"

unsigned short QueryFreeResources(unsigned short selector)
{
    return Platform().FreeResources(selector);
}
