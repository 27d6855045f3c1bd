// The embedded collections, filled once at start-up.
#pragma once

// Fills every embedded collection, in a fixed order: prefectures, the four gazetteers, the
// boundary lines, the 10 m and then the 5 m catalogue.
void LoadGeodata();
// Empties them all (tests and tools that load more than once).
void ClearGeodata();
