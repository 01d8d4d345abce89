// The product's name, edition, version and copyright line, for the resource
// script and the code alike (narrow literals: prefix them with L or u).
#pragma once

#define PRODUCT_NAME "Quorrel"
#define PRODUCT_EDITION "Desktop Edition"
#define PRODUCT_VERSION_TEXT "2.3.1.0"
#define PRODUCT_VERSION_NUMBERS 2, 3, 1, 0
#define PRODUCT_COPYRIGHT "Copyright \251 2026 The Quorrel Developers"
