#include "http/HttpPutSetting.h"

#include "core/ProcessSettings.h"

bool HttpPutConfigured() {
    return CurrentProcessSettings().httpPutConfigured;
}
