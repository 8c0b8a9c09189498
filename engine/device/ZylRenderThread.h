// The thread that renders the mixer for a back end must not wait behind the
// player's own threads: the decoding worker runs above normal priority, and
// a render that waits for the CPU misses the server's period. A back end
// calls ZylFavourRenderThread from its callback; the first call on a thread
// that is not already scheduled in real time asks for real-time scheduling
// below the sound servers' own threads, else for the most favoured nice
// level allowed. A refusal is not an error: the buffers are sized for an
// ordinary thread too. Later calls on the same thread cost a flag test.
#pragma once

// "Above normal" on Linux: a nice value below the process's default. Only
// privileged processes (or a raised RLIMIT_NICE) get it; others keep normal.
constexpr int kZylAboveNormalNice = -5;

void ZylFavourRenderThread();
