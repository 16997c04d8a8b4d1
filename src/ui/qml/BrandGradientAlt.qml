import QtQuick
import Quorvel.Ui

// brandGradientAlt: teal to navy, from the leading edge to the trailing edge at vertical centre.
// Use as a Rectangle's gradient: `gradient: BrandGradientAlt {}`.
Gradient {
    orientation: Gradient.Horizontal
    GradientStop { position: 0; color: Brand.brandTeal }
    GradientStop { position: 1; color: Brand.brandNavy }
}
