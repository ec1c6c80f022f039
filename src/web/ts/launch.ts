// SPDX-License-Identifier: MIT
// Files opened with the installed page, as its manifest's file handlers offer them:
// a setting file goes the way of Load, an exercise to whatever asked for exercises.

import { type OpenedFile, openedFromHandle } from './files.js';

interface LaunchParams {
  readonly files: readonly FileSystemHandle[];
}

interface LaunchWindow {
  launchQueue?: { setConsumer(consumer: (params: LaunchParams) => unknown): void };
}

type ExerciseHandler = (file: OpenedFile) => unknown;

const exerciseHandlers: ExerciseHandler[] = [];

// The Exercise pane's way in; until one is registered an opened .qzt is ignored.
export function onExerciseFile(handler: ExerciseHandler): void {
  exerciseHandlers.push(handler);
}

const isExercise = (name: string): boolean => name.toLowerCase().endsWith('.qzt');

// The first exercise and the first other file of a launch; the latter is Load's to accept or refuse.
export function listenForLaunches(load: (file: OpenedFile) => Promise<void>): void {
  (window as LaunchWindow).launchQueue?.setConsumer(async ({ files }) => {
    const opened = files.filter((handle): handle is FileSystemFileHandle => handle.kind === 'file').map(openedFromHandle);
    const exercise = opened.find((file) => isExercise(file.name));
    const setting = opened.find((file) => !isExercise(file.name));
    if (exercise) for (const handler of exerciseHandlers) handler(exercise);
    if (setting) await load(setting);
  });
}
