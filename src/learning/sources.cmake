target_sources(quorvel_core PRIVATE
    learning/CatalogueModels.cpp learning/CatalogueModels.h
    learning/HandoutRenderer.cpp learning/HandoutRenderer.h
    learning/HandoutTextStyle.cpp learning/HandoutTextStyle.h
    learning/LearningAPIClient.cpp learning/LearningAPIClient.h
    learning/LearningModels.cpp learning/LearningModels.h
    learning/LearningStore.cpp learning/LearningStore.h
    learning/LessonPageViewModel.cpp learning/LessonPageViewModel.h
    learning/LessonSections.cpp learning/LessonSections.h
    learning/ChapterPickerViewModel.cpp learning/ChapterPickerViewModel.h
    learning/LearningHomeViewModel.cpp learning/LearningHomeViewModel.h
    learning/PathListViewModel.cpp learning/PathListViewModel.h
    learning/PathNodeRowViewModel.cpp learning/PathNodeRowViewModel.h
    learning/TopicBoxViewModel.cpp learning/TopicBoxViewModel.h
)
# The learning tab's home, chapter picker, topic box and path list.
qvl_add_qml(
    learning/qml/ChapterPickerView.qml
    learning/qml/LearningHomeNavBar.qml
    learning/qml/LearningHomeView.qml
    learning/qml/PathListView.qml
    learning/qml/PathNodeRow.qml
    learning/qml/TopicBoxView.qml
)
# The lesson page with its cards and the handout renderer.
qvl_add_qml(
    learning/qml/HandoutSections.qml
    learning/qml/LessonCard.qml
    learning/qml/LessonCompletionControl.qml
    learning/qml/LessonExercisesCard.qml
    learning/qml/LessonHeaderCard.qml
    learning/qml/LessonNotReadyFace.qml
    learning/qml/LessonPageView.qml
)
