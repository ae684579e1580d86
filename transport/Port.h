#pragma once

// The USB serial port, its poller and its factory.
#include "transport/FtdiPort.h"
#include "transport/PortFactory.h"
#include "transport/PortPoller.h"
