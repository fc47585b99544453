#pragma once
// Test-only dialog of win32Tests (window_test.rc), numbered above the program's own
// resources.

#define IDD_TEST_GAME 9000
#define IDC_TEST_TITLE 9001
#define IDC_TEST_GAME_ONLY 9002
