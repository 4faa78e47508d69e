// Every operator new of the program that compiles allocation_counter.cpp in is
// counted: the allocation tests' measure of "nothing allocated per frame".
#pragma once

long AllocationCount();  // operator new calls since the program started
