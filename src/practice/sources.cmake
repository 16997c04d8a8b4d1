target_sources(quorvel_core PRIVATE
    practice/QuestionModels.cpp practice/QuestionModels.h
)
# The practice screen as far as the lesson exercises need it.
qvl_add_qml(
    practice/qml/PracticeView.qml
)
