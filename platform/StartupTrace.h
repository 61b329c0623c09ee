#pragma once
// The steps of the process's first start on the debugger output, each with the
// time since the process was created ("Start-up: device 0.412 s. TraceStartStep()"),
// which the start-up benchmark reads (scripts/bench_startup.py). Only the first
// start of a process is said, up to its first frame: a preview opened later is not.
// Process-wide by nature, like the frame clock.
void TraceStartStep(const wchar_t* step);
// The first frame is presented: the trace ends.
void TraceFirstFrame();
