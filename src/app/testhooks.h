// testhooks.h: two points where the end-to-end tests' own build of velmora.exe (velmora-testhooks.exe,
// compiled with VELMORA_TEST_HOOKS) looks on: the per-file loop taking up a file, and the display loop
// starting to wait. The program itself compiles them to nothing.
#pragma once

#ifdef VELMORA_TEST_HOOKS
// The per-file loop examines list position k.
void testhook_examined(int k);
// The display loop has drawn its page and waits for the user.
void testhook_waiting();
#define VELMORA_TESTHOOK(call) call
#else
#define VELMORA_TESTHOOK(call)
#endif
