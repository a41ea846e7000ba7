#pragma once
// Blocks of megabytes (Earth pictures, map canvases, encoded map files) are taken from the
// system for themselves and given back the moment they are freed. Left to itself the C
// library raises its thresholds after the first such block, and the next ones are then
// carved from the pool of whichever thread made them, whose freed top it never gives back:
// every station map of the window would leave tens of megabytes resident for the rest of the
// run. Idempotent; call before the first big block.
void GiveLargeBlocksBackToTheSystem();
