#pragma once

// The sdk library is built with hidden visibility by default; what the contract
// exports is marked here so that errors and type information are shared by the
// host and the plug-in.
#define TOLM_SDK_API __attribute__((visibility("default")))
