import QtQuick
import Quorvel.Ui

// brandGradientAlt: teal to navy, from the leading edge to the trailing edge at vertical centre.
// Use as a Rectangle's gradient: `gradient: BrandGradientAlt {}`.
Gradient {
    orientation: Gradient.Horizontal
    GradientStop { position: 0; color: Theme.brandTeal }
    GradientStop { position: 1; color: Theme.brandNavy }
}
