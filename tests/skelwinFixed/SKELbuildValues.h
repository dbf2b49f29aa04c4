/* The values of a release build, fixed for the tests of the identity unit. */
#define SKEL_SOURCE_TAG "Olv_2_4_7"
#define SKEL_SOURCE_REVISION "0123456789ab"
#define SKEL_BUILD_DATE_TIME "2024-02-29_23-59-07"
#define SKEL_BUILD_ID ""
