// The grid layer's named block grdcmn and the grid-file markers.
#pragma once
