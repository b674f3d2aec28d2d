// A file the layering test must refuse: a program above the grid-file API
// that includes a header of the routines' layers.
#include "dm/dm.h"
