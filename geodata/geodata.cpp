#include "geodata/geodata.h"

void LoadGeodata() {}
