// The zooms from which the map's layers and the panel's buttons appear. At zoom 1 the grid's
// width (121° to 155° E) fills the client area; each wheel step multiplies the zoom by 1.2. The
// 5 m layer's zoom follows the screen scale: g_fiveMeterZoom (projection/screenscale.h).
#pragma once

// The first-level grid's lines, then its sheet names and codes.
constexpr double kGridLinesFromZoom = 1.7;
constexpr double kGridLabelsFromZoom = 2.9;
// The names of islands, mountains and lakes, and their buttons.
constexpr double kPlaceNamesFromZoom = 5.0;
// 5 m tiles are dots below this zoom and frames from it; their codes follow further in.
constexpr double kFiveMeterFramesFromZoom = 15.0;
constexpr double kFiveMeterCodesFromZoom = 230.0;
// Above it a click picks 10 m tiles and the grid's labels give way to the tiles.
constexpr double kFineZoomAbove = 18.0;
constexpr double kTenMeterTilesFromZoom = 22.0;
constexpr double kBoundaryLinesFromZoom = 26.0;
// The municipalities' names and their button.
constexpr double kMunicipalityNamesFromZoom = 38.0;
