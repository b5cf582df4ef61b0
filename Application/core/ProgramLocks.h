#pragma once

#include "Platform/os/CriticalSection.h"

/// The program's two locks, created by the main form's start-up before the request channel
/// is switched on and destroyed after it is switched off.
/// RequestQueueLock guards only the queue of requests waiting for the user.
inline vrx::os::CriticalSection* RequestQueueLock = nullptr;
/// AppRulesLock guards every use of the live application-rule table and its cursor.
inline vrx::os::CriticalSection* AppRulesLock = nullptr;
