target_sources(quorvel_core PRIVATE
    practice/QuestionModels.cpp practice/QuestionModels.h
)
