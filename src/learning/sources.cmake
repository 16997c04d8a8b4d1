target_sources(quorvel_core PRIVATE
    learning/CatalogueModels.cpp learning/CatalogueModels.h
    learning/LearningAPIClient.cpp learning/LearningAPIClient.h
    learning/LearningModels.cpp learning/LearningModels.h
    learning/LearningStore.cpp learning/LearningStore.h
)
