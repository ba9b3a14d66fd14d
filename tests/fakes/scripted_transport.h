// A transport whose reads are scripted report by report and whose writes are recorded, for
// byte-exact tests of the cooler's language. Reads beyond the script fail as time-outs do.
// A discarding read (DiscardReadMs) takes only reports scripted as already waiting.
#pragma once

#include "cooler/transport.h"

constexpr int ScriptCapacity = 32;

void ResetScriptedTransport();
// Queues one report for a later read; a length below 64 makes that read fail as short.
void ScriptRead(const uint8_t* bytes, int length);
void ScriptReadFailure();
// Queues one whole report as already waiting: only a discarding read takes it.
void ScriptWaiting(const uint8_t* bytes);
int ScriptedWaitingTaken();      // waiting reports taken
int ScriptedWritesBeforeWaiting(); // writes done when the last waiting report was taken
// Makes the n-th write from now (1-based) fail.
void FailWrite(int n);
int ScriptedWriteCount();
const uint8_t* ScriptedWrite(int index); // 64 bytes
int ScriptedReadCount();                 // reads attempted
HANDLE ScriptedCooler();
