// Resource identifiers of the text-service library.
#pragma once

#define IDI_TEXTSERVICE 101
