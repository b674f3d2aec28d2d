// The named blocks of the DM engine.
#pragma once
