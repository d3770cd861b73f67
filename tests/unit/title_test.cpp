#include <gtest/gtest.h>

#include "doubles/form1_harness.h"

namespace zerlin::test {
namespace {

TEST(Title, ShowsMajorVersionAndRevisionOnLabelAndCaption) {
    Form1Harness h;
    h.form.load({});
    EXPECT_EQ(h.Label1.text(), "Zerlin 2.48");
    EXPECT_EQ(h.window.caption, "Zerlin 2.48");
}

}  // namespace
}  // namespace zerlin::test
