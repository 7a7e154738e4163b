VELTAA@@@@@@@@@@JINX0s1t______

shape (
	shape_header ( 00000000 00000000 )
	volumes ( 1
		vol_sphere (
			vector ( 0 1.75 0 ) 5.3033
		)
	)
	shader_names ( 1
		named_shader ( TexDiff )
	)
	texture_filter_names ( 1
		named_filter_mode ( MipLinear )
	)
	points ( 8
		point ( -5 3 1.25 ) )
		point ( 5 3 1.25 )
		point ( 5 3 -1.25 )
		point ( -5 3 -1.25 )
		point ( -5 0.5 1.25 )
		point ( 5 0.5 -1.25 )
		point ( 5 0.5 1.25 )
		point ( -5 0.5 -1.25 )
	)
	uv_points ( 4
		uv_point ( 1 0 )
		uv_point ( 0 0 )
		uv_point ( 1 1 )
		uv_point ( 0 1 )
	)
	normals ( 6
		vector ( 1 0 0 )
		vector ( -1 0 0 )
		vector ( 0 0 1 )
		vector ( 0 0 -1 )
		vector ( 0 1 0 )
		vector ( 0 -1 0 )
	)
	sort_vectors ( 0
	)
	colours ( 0 )
	matrices ( 1
		matrix Body ( 1 0 0 0 1 0 0 0 1 0 0 0 )
	)
	images ( 1
		image ( TRAM.ace )
	)
	textures ( 1
		texture ( 0 0 -3 ff000000)
	)
	light_materials ( 0 )
	light_model_cfgs ( 1
		light_model_cfg ( 00000000
			uv_ops ( 1
				uv_op_copy ( 1 0 )
			)
		)
	)
	vtx_states ( 1
		vtx_state ( 00000000 0 -5 0 00000002 )
	)
	prim_states ( 1
		prim_state ( 00000000 0
			tex_idxs ( 1 0 ) 0 0 0 0 1
		)
	)
	lod_controls ( 1
		lod_control (
			distance_levels_header ( 0 )
			distance_levels ( 1
				distance_level (
					distance_level_header (
						dlevel_selection ( 1000 )
						hierarchy ( 1 -1 )
					)
					sub_objects ( 1
						sub_object (
							sub_object_header ( 00000400 -1 -1 000001d2 000001c4
								geometry_info ( 12 1 0 36 0 0 1 0 0 0
									geometry_nodes ( 1
										geometry_node ( 1 0 0 0 0
											cullable_prims ( 1 12 36 )
										)
									)
									geometry_node_map ( 1 0 )
								)
								subobject_shaders ( 1 0 )
								subobject_light_cfgs ( 1 0 ) 0
							)
							vertices ( 24
								vertex ( 00000000 2 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 1 0 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 6 0 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 5 0 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 0 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 3 1 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 7 1 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 4 1 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 1 2 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 0 2 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 4 2 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 6 2 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 3 3 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 2 3 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 5 3 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 7 3 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 0 4 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 1 4 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 2 4 ffffffff ff000000
									vertex_uvs ( 1 0 )
								)
								vertex ( 00000000 3 4 ffffffff ff000000
									vertex_uvs ( 1 1 )
								)
								vertex ( 00000000 4 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
								vertex ( 00000000 5 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 6 5 ffffffff ff000000
									vertex_uvs ( 1 2 )
								)
								vertex ( 00000000 7 5 ffffffff ff000000
									vertex_uvs ( 1 3 )
								)
							)
							vertex_sets ( 1
								vertex_set ( 0 0 24 )
							)
							primitives ( 2
								prim_state_idx ( 0 )
								indexed_trilist (
									vertex_idxs ( 36 3 0 1 3 1 2 7 4 5 7 5 6 11 8 9 11 9 10 15 12 13 15 13 14 19 16 17 19 17 18 23 22 20 23 21 22 )
									normal_idxs ( 12 0 3 0 3 1 3 1 3 2 3 2 3 3 3 3 3 4 3 4 3 5 3 5 3 )
									flags ( 12 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 )
								)
							)
						)
					)
				)
			)
		)
	)
)
