#pragma once
// Test-only dialog with a slider (slider_control_test.rc), numbered above the
// program's own resources.

#define IDD_TEST_SLIDER 9100
#define IDC_TEST_SLIDER 9101
