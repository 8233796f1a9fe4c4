#pragma once
// The signed-in user id: the service's "user_id", empty while signed out.
// The sign-in calls and the sign-out write it; every request's header block
// reads it on whatever worker sends the request, so both go through a guard.
#include <string>

std::string GetUserId();
void SetUserId(const std::string& userId);
