// Library start-up.
#pragma once

// Put every layer's process-wide state into its start condition; iret = 0.
void in_bdta(int& iret);
