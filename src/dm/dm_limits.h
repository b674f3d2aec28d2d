// Limits, return codes and the on-disk layout of a DM file.
#pragma once
