// Resource ids shared by the resource script and the code.
#pragma once

#define IDS_WINDOW_CLASS   101
#define IDS_WINDOW_TITLE   102
#define IDS_PRODUCT_TITLE  120
