#pragma once
// An id and a second integer attached to list, combo and grid items so that a
// shown text maps back to a database id.
struct TIntObj {
  int id = -1;
  int value = 0;
};
