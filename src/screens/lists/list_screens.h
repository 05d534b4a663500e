#pragma once
// The repeaters and reminders lists, installed at program start: the
// reminders window opens by itself when reminders fall due.
void InstallListScreens();
