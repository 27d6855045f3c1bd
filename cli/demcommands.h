// tesselo-cli check, convert and elevation: the DEM files a user downloaded.
#pragma once

int DemCheck(int argc, char** argv);
int DemConvert(int argc, char** argv);
int DemElevation(int argc, char** argv);
