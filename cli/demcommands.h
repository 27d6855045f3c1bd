// tesselo-cli check, convert, elevation and tiles: the DEM files a user downloaded.
#pragma once

int DemCheck(int argc, char** argv);
int DemConvert(int argc, char** argv);
int DemElevation(int argc, char** argv);
int DemWebTiles(int argc, char** argv);
